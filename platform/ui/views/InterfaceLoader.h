#pragma once

#include "json/JSONValue.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class Responder;
class View;
class ViewController;

// Builds the objects of an interface description (a JSON resource) and
// connects them to their owner: views with their subviews and properties,
// bar button items, and view controllers named by class; outlets go to
// setOutlet, actions become target/action pairs.
//
//   { "objects": [ { "class": "View", "id": "main", "frame": [0, 0, 320, 480],
//                    "subviews": [ ... ] }, ... ],
//     "outlets": [ { "object": "owner", "name": "view", "destination": "main" } ],
//     "actions": [ { "object": "startButton", "event": "touchUpInside",
//                    "target": "owner", "action": "start" } ] }
//
// Top-level objects nobody keeps are released at the end of the run-loop
// pass, so an object that must live on keeps itself alive (or is an outlet).
class InterfaceLoader {
public:
    using Factory = std::function<std::shared_ptr<Responder>(const JSONValue& description)>;

    // Classes the application adds (view controllers of its own, say).
    static void registerClass(const std::string& name, Factory);

    // Reads "<name>.json" from the main bundle's resources.
    bool loadNamed(const std::string& name, ViewController& owner);
    bool load(const JSONValue& description, ViewController& owner);

    // The object with the given id from the last load.
    std::shared_ptr<Responder> objectWithID(const std::string& id) const;
    const std::string& errorMessage() const { return m_error; }

private:
    std::shared_ptr<Responder> build(const JSONValue& description);
    void configureView(View&, const JSONValue& description);
    Responder* resolve(const std::string& id, ViewController& owner) const;

    std::map<std::string, std::shared_ptr<Responder>> m_objects;
    std::vector<std::shared_ptr<Responder>> m_topLevel;
    std::string m_error;
};
