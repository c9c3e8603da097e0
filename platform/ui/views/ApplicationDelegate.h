#pragma once

class Application;
class Key;

// The application's delegate: told when launching has finished, and given the
// keys no responder used.
class ApplicationDelegate {
public:
    virtual ~ApplicationDelegate() = default;
    virtual void applicationDidFinishLaunching(Application&) { }
    // Answers whether the key was used.
    virtual bool applicationKeyPressed(Application&, const Key&) { return false; }
};
