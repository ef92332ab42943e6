// The character tests of the three filtering edit box kinds. The Win32 edit boxes call these on
// WM_CHAR: a character that passes goes on to the edit control, any other is dropped with
// MessageBeep(0xFFFFFFFF). Plain ASCII tests on the character code; backspace (8) passes in all
// three, every other control character and everything from 0x80 up fails.
#pragma once
#include <optional>

enum class EditKind { Hex, Alnum, Digit };

// HexEdit: 0-9, A-F, a-f, backspace. Boxes 1038, 1039, 1047, 1049, 1051.
bool HexEditAccepts(unsigned int c);
// AlnumEdit: A-Z, a-z, 0-9, backspace. Box 1066.
bool AlnumEditAccepts(unsigned int c);
// DigitEdit: 0-9, backspace. Box 1068.
bool DigitEditAccepts(unsigned int c);

bool EditAccepts(EditKind kind, unsigned int c);

// Which kind the main window's control id is, or nothing for an unfiltered control.
std::optional<EditKind> EditKindOf(int controlId);
