#pragma once

class UserDefaults;

// The application's delegate. For now it holds the start-up step that must come
// before anything reads a setting: the registration of every default.
class OmbrixAppDelegate {
public:
    // Registers the defaults on the given store (the shared store when null).
    static void initialize(UserDefaults* userDefaults = nullptr);
};
