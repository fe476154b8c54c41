// Keyboard traits shared by text fields and text views (the platform's text input traits),
// and the window-level keyboard query. The traits are labels for the on-screen keyboard; a
// desktop keyboard ignores them.
#pragma once

#include "platform/ui/window.h"

namespace ui {

// Numbered as the platform numbers them (screens may give the number).
enum class KeyboardType {
    Default = 0,
    ASCIICapable = 1,
    NumbersAndPunctuation = 2,
    URL = 3,
    NumberPad = 4,
    PhonePad = 5,
    NamePhonePad = 6,
    EmailAddress = 7,
};

enum class ReturnKeyType {
    Default = 0,
    Go = 1,
    Google = 2,
    Join = 3,
    Next = 4,
    Route = 5,
    Search = 6,
    Send = 7,
    Yahoo = 8,
    Done = 9,
    EmergencyCall = 10,
};

enum class AutocapitalizationType { None = 0, Words = 1, Sentences = 2, AllCharacters = 3 };
enum class AutocorrectionType { Default = 0, No = 1, Yes = 2 };
enum class KeyboardAppearance { Default = 0, Alert = 1 };

struct TextInputTraits {
    KeyboardType keyboardType = KeyboardType::Default;
    ReturnKeyType returnKeyType = ReturnKeyType::Default;
    AutocapitalizationType autocapitalizationType = AutocapitalizationType::Sentences;
    AutocorrectionType autocorrectionType = AutocorrectionType::Default;
    KeyboardAppearance keyboardAppearance = KeyboardAppearance::Default;
    bool enablesReturnKeyAutomatically = false;
};

// Height of the portrait on-screen keyboard, for screens that move their content above it.
inline constexpr float kKeyboardHeight = 216;

// True while a text field or text view of the window has the keyboard.
inline bool keyboardVisible(const Window& window) {
    return window.firstResponder() != nullptr;
}

} // namespace ui
