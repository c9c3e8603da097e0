#pragma once

#include <string>

// The demo service's pictures, drawn with Cairo at start-up rather than
// shipped: the browser's four toolbar icons, action icons and a banner.
class DemoImages {
public:
    // "back", "back_disable", "forward" or "forward_disable"; empty for other names.
    static std::string browserIcon(const std::string& name);
    // A 38 × 38 icon for any action name: a rounded square coloured by the
    // name, with the name's first letter.
    static std::string actionIcon(const std::string& name);
    // A 320 × 48 banner with a gradient and a caption.
    static std::string banner(const std::string& caption);
    // The pictures of the demo's flexible banners, drawn at twice their size
    // on the banner: "pixel-doctor" (an app icon), "phone" (a handset showing
    // colour bars), "star"; empty for other names.
    static std::string flexAsset(const std::string& name);

    DemoImages() = delete;
};
