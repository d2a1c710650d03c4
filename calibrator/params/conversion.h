#pragma once

namespace orv {

// Both conversions work in place on `param_value` in single precision, with a
// record's scale and offset (elements 3 and 4). A zero scale or a result
// beyond the single range is refused: false, `param_value` unchanged, so a
// bad definition file can never put an infinity on a label or the line.

// Raw to engineering: param_value ÷ scale − offset (the offset is in
// engineering units).
bool raw_to_eng(float &param_value, const float &scale, const float &offset);

// Engineering to raw: param_value × scale + offset (the offset is in raw
// units), rounded to a whole number through the "#####0" picture, halves away
// from zero.
bool eng_to_raw(float &param_value, const float &scale, const float &offset);

// The exact inverse of raw_to_eng: (param_value + offset) × scale, rounded the
// same way. eng_to_raw adds the offset in raw units, so with a scale other
// than 1 and an offset other than 0 a value written through it reads back
// shifted by offset × (scale − 1); this one reads back as written.
bool engToRawInverse(float &param_value, const float &scale, const float &offset);

} // namespace orv
