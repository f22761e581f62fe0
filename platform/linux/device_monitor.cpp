// Linux: every device made from here on gets, as it is made, the reference Qt will drop when it
// leaves. Nothing later tells of a new device: the device monitor reads its providers' buses
// through a handler that passes nothing on.
#include "platform/device_monitor.h"

#include <gst/gst.h>

#include <cstring>
#include <mutex>
#include <utility>
#include <vector>

namespace skymra {
namespace {

constexpr const char* QtClasses[] = {"Video/Source", "Audio/Source", "Audio/Sink"};

bool heldByQt(GstDevice* device) {
    gchar* type = gst_device_get_device_class(device);
    bool held = false;
    for (const char* c : QtClasses) held = held || (type && std::strcmp(type, c) == 0);
    g_free(type);
    return held;
}

void balance(GstDevice* device) {
    if (!heldByQt(device)) gst_object_ref(device);
}

// Each device class's own last step of construction, which ours calls first.
std::vector<std::pair<GType, void (*)(GObject*)>>& constructors() {
    static std::vector<std::pair<GType, void (*)(GObject*)>> kept;
    return kept;
}

void constructedThenBalanced(GObject* object) {
    for (GType t = G_OBJECT_TYPE(object); t != 0; t = g_type_parent(t)) {
        for (const auto& [type, constructed] : constructors()) {
            if (type != t) continue;
            if (constructed) constructed(object);
            balance(GST_DEVICE(object));
            return;
        }
    }
}

}  // namespace

void balanceQtDeviceMonitor() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (!gst_is_initialized()) return;
        // GstDevice's own for the classes set up later, which copy it, and each class already
        // set up, as the providers Qt's monitor started have made their first devices.
        std::vector<GType> types = {GST_TYPE_DEVICE};
        for (std::size_t i = 0; i < types.size(); ++i) {
            guint n = 0;
            GType* children = g_type_children(types[i], &n);
            types.insert(types.end(), children, children + n);
            g_free(children);
        }
        // All kept before any is replaced: a provider's thread may be making a device meanwhile.
        std::vector<GObjectClass*> classes;
        for (GType type : types) {
            classes.push_back(static_cast<GObjectClass*>(g_type_class_ref(type)));
            constructors().emplace_back(type, classes.back()->constructed);
        }
        for (GObjectClass* klass : classes) klass->constructed = constructedThenBalanced;
        // And the devices already made, by the providers of Qt's monitor (every rank above none,
        // of its classes), which keep their lists as it has started them.
        GList* factories = gst_device_provider_factory_list_get_device_providers(GstRank(1));
        for (GList* f = factories; f != nullptr; f = f->next) {
            auto* factory = GST_DEVICE_PROVIDER_FACTORY(f->data);
            bool used = false;
            for (const char* c : QtClasses)
                used = used || gst_device_provider_factory_has_classes(factory, c);
            GstDeviceProvider* provider = used ? gst_device_provider_factory_get(factory) : nullptr;
            if (provider == nullptr) continue;
            GList* devices = gst_device_provider_get_devices(provider);
            for (GList* d = devices; d != nullptr; d = d->next) balance(GST_DEVICE(d->data));
            g_list_free_full(devices, gst_object_unref);
            gst_object_unref(provider);
        }
        gst_plugin_feature_list_free(factories);
    });
}

}  // namespace skymra
