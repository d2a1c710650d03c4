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

namespace dispid {
enum : int {
    MousePointer = 1, Alignment, BevelSize, BevelStyle, BorderColor, BorderStyle, FillColor, LightColor,
    ShadowColor, TextColor, SelLength, SelStart, SelText, Text, ReadOnly, Spin, SpinChangeReal, Undo,
    SpinDelay, SpinSpeed, Indent, AutoHScroll, CaretHeight, CaretWidth, CaretColor, CaretStyle, CaretVAlign,
    CaretInterval, CaretVisible, MoneyFormat, DecimalPlaces, EntryStyle, Separator, VAlignment, MouseIcon,
    FontStyle, FocusSelect, FontBold, FontItalic, FontName, FontStrikeThru, FontUnderline, FontSize, MinReal,
    MaxReal, ValueReal, KXCausesValidation, TextRaw
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
