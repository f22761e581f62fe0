// Linux: GStreamer's device providers, asked for each question: the lists they keep once Qt's
// device monitor has started them, within milliseconds.
#include "platform/camera_names.h"

#include <gst/gst.h>

#include <set>

namespace skymra {
namespace {

// What tells one camera from another of the same name: a provider may list one camera twice.
std::string identity(GstDevice* device) {
    GstStructure* props = gst_device_get_properties(device);
    std::string key;
    for (const char* field : {"api.v4l2.path", "device.path", "object.serial"}) {
        if (const gchar* value = props ? gst_structure_get_string(props, field) : nullptr) {
            key = value;
            break;
        }
    }
    if (props) gst_structure_free(props);
    return key;
}

}  // namespace

std::optional<std::vector<std::string>> presentCameraNames() {
    if (!gst_is_initialized() && !gst_init_check(nullptr, nullptr, nullptr)) return std::nullopt;
    // The providers themselves, as Qt's device monitor has started them: a device monitor of
    // our own would take over their message bus, and Qt would hear of no camera again.
    std::vector<GstDeviceProvider*> providers;
    std::set<std::string> hidden;
    GList* factories = gst_device_provider_factory_list_get_device_providers(GST_RANK_NONE);
    for (GList* f = factories; f != nullptr; f = f->next) {
        auto* factory = GST_DEVICE_PROVIDER_FACTORY(f->data);
        if (!gst_device_provider_factory_has_classes(factory, "Video/Source")) continue;
        GstDeviceProvider* provider = gst_device_provider_factory_get(factory);
        if (provider == nullptr) continue;
        gchar** hides = gst_device_provider_get_hidden_providers(provider);
        for (gchar** h = hides; h && *h; ++h) hidden.insert(*h);
        g_strfreev(hides);
        providers.push_back(provider);
    }
    gst_plugin_feature_list_free(factories);
    std::vector<std::string> names;
    std::set<std::string> seen;
    for (GstDeviceProvider* provider : providers) {
        GstDeviceProviderFactory* factory = gst_device_provider_get_factory(provider);
        const bool skip = factory && hidden.count(GST_OBJECT_NAME(factory));
        GList* devices = skip ? nullptr : gst_device_provider_get_devices(provider);
        for (GList* d = devices; d != nullptr; d = d->next) {
            auto* device = GST_DEVICE(d->data);
            if (!gst_device_has_classes(device, "Video/Source")) continue;
            gchar* name = gst_device_get_display_name(device);
            const std::string named = name ? name : "";
            g_free(name);
            const std::string key = identity(device);
            if (key.empty() || seen.insert(named + '\n' + key).second) names.push_back(named);
        }
        g_list_free_full(devices, gst_object_unref);
        gst_object_unref(provider);
    }
    return names;
}

}  // namespace skymra
