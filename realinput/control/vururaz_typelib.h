#pragma once

#include "framework/type_library.h"

// The identity of the ZqRealInput control: its type library, class, interfaces
// and the dispatch identifiers that containers store in their form data.
namespace vururaz {

const zq::TypeLibrary &typeLibrary();

inline const QString progId = QStringLiteral("VURURAZ.VururazCtrl.1");
inline const QString typeName = QStringLiteral("Tarvel ZqRealInput Control");
constexpr quint32 miscStatus = 0x20191;
constexpr int toolboxBitmap = 1;

// The dispatch ids the code itself names; every other one stands in the property table only.
namespace dispid {
enum : int {
    SelLength = 11, SelStart = 12, SelText = 13, Text = 14, Undo = 18, MouseIcon = 35, ValueReal = 46, TextRaw = 48
};
} // namespace dispid

namespace event {
enum : int {
    AutoTerminate = 1, Change = 2, InvalidEntry = 3, InvalidSetText = 4, KXValidate = 5,
    Click = -600, DblClick = -601, KeyDown = -602, KeyPress = -603, KeyUp = -604,
    MouseDown = -605, MouseMove = -606, MouseUp = -607
};
} // namespace event

} // namespace vururaz
