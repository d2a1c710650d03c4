#pragma once

namespace orv {

// Both conversions work in place on `value` in single precision, with a
// record's scale and offset (elements 3 and 4). A zero scale or a result
// beyond the single range is refused: false, `value` unchanged, so a
// bad definition file can never put an infinity on a label or the line.

// Raw to engineering: value ÷ scale − offset (the offset is in
// engineering units).
bool raw_to_eng(float &value, const float &scale, const float &offset);

// Engineering to raw: the exact inverse of raw_to_eng, (value + offset)
// × scale, rounded to a whole number through the "#####0" picture, halves away
// from zero. Adding the offset in raw units instead (value × scale + offset)
// agrees whenever the scale is 1 or the offset 0, but otherwise shifts every
// write by offset × (scale − 1): a "Make Change" without moving the slider
// would alter the station's calibration.
bool eng_to_raw(float &value, const float &scale, const float &offset);

} // namespace orv
