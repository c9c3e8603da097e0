#pragma once

class Application;

// The application's delegate: told when launching has finished.
class ApplicationDelegate {
public:
    virtual ~ApplicationDelegate() = default;
    virtual void applicationDidFinishLaunching(Application&) { }
};
