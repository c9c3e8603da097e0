#include "platform/ui/controls/StandardInterfaceClasses.h"

#include "platform/ui/controls/Button.h"
#include "platform/ui/controls/ImageView.h"
#include "platform/ui/controls/Label.h"
#include "platform/ui/controls/SegmentedControl.h"
#include "platform/ui/controls/Slider.h"
#include "platform/ui/controls/TextView.h"
#include "platform/ui/controls/Toolbar.h"
#include "platform/ui/views/ViewController.h"

namespace {

template <typename T> InterfaceLoader::Factory viewOf()
{
    return [](const JSONValue&) -> std::shared_ptr<Responder> { return View::make<T>(); };
}

} // namespace

std::vector<std::pair<std::string, InterfaceLoader::Factory>> StandardInterfaceClasses::all()
{
    return {
        { "View", viewOf<View>() },
        { "Label", viewOf<Label>() },
        { "Button", viewOf<Button>() },
        { "ImageView", viewOf<ImageView>() },
        { "TextView", viewOf<TextView>() },
        { "Toolbar", viewOf<Toolbar>() },
        { "SegmentedControl", viewOf<SegmentedControl>() },
        { "Slider", viewOf<Slider>() },
        { "ViewController",
            [](const JSONValue&) -> std::shared_ptr<Responder> { return std::make_shared<ViewController>(); } },
    };
}
