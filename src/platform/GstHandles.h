#pragma once

#include <gst/gst.h>

#include <memory>
#include <utility>

// Owning handles for GStreamer's reference-counted C objects. A raw pointer becomes a
// handle the moment it is received, and the way it does so is spelled out:
//   adopt(p)   takes over a reference the caller already holds ("transfer full"),
//   ref(p)     takes a new reference ("transfer none"),
//   refSink(p) sinks a floating reference of a freshly made GstObject.
namespace gsthandle {

struct ObjectTraits {
    static void* ref(void* p) { return gst_object_ref(p); }
    static void unref(void* p) { gst_object_unref(p); }
};

struct MiniObjectTraits {
    static void* ref(void* p) { return gst_mini_object_ref(GST_MINI_OBJECT_CAST(p)); }
    static void unref(void* p) { gst_mini_object_unref(GST_MINI_OBJECT_CAST(p)); }
};

template <typename T, typename Traits>
class Handle {
public:
    Handle() = default;
    Handle(std::nullptr_t) {}
    ~Handle() { reset(); }
    Handle(const Handle& other) : m_p(other.m_p ? static_cast<T*>(Traits::ref(other.m_p)) : nullptr) {}
    Handle(Handle&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    Handle& operator=(Handle other) noexcept
    {
        std::swap(m_p, other.m_p);
        return *this;
    }

    static Handle adopt(T* p)
    {
        Handle h;
        h.m_p = p;
        return h;
    }
    static Handle ref(T* p) { return adopt(p ? static_cast<T*>(Traits::ref(p)) : nullptr); }
    static Handle refSink(T* p)
        requires std::is_same_v<Traits, ObjectTraits>
    {
        return adopt(p ? static_cast<T*>(gst_object_ref_sink(p)) : nullptr);
    }

    T* get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    // Hands the reference to the caller.
    T* release() { return std::exchange(m_p, nullptr); }
    void reset()
    {
        if (T* p = std::exchange(m_p, nullptr))
            Traits::unref(p);
    }
    bool operator==(const Handle& other) const { return m_p == other.m_p; }

private:
    T* m_p = nullptr;
};

struct GFreeDeleter {
    void operator()(void* p) const { g_free(p); }
};
struct GErrorDeleter {
    void operator()(GError* e) const { g_error_free(e); }
};
struct StructureDeleter {
    void operator()(GstStructure* s) const { gst_structure_free(s); }
};

} // namespace gsthandle

using GstObjectRef = gsthandle::Handle<GstObject, gsthandle::ObjectTraits>;
using GstElementRef = gsthandle::Handle<GstElement, gsthandle::ObjectTraits>;
using GstBusRef = gsthandle::Handle<GstBus, gsthandle::ObjectTraits>;
using GstPadRef = gsthandle::Handle<GstPad, gsthandle::ObjectTraits>;
using GstDeviceRef = gsthandle::Handle<GstDevice, gsthandle::ObjectTraits>;
using GstDeviceMonitorRef = gsthandle::Handle<GstDeviceMonitor, gsthandle::ObjectTraits>;
using GstSampleRef = gsthandle::Handle<GstSample, gsthandle::MiniObjectTraits>;
using GstCapsRef = gsthandle::Handle<GstCaps, gsthandle::MiniObjectTraits>;
using GstMessageRef = gsthandle::Handle<GstMessage, gsthandle::MiniObjectTraits>;
using GstBufferRef = gsthandle::Handle<GstBuffer, gsthandle::MiniObjectTraits>;

using GCharPtr = std::unique_ptr<gchar, gsthandle::GFreeDeleter>;
using GErrorPtr = std::unique_ptr<GError, gsthandle::GErrorDeleter>;
using GstStructurePtr = std::unique_ptr<GstStructure, gsthandle::StructureDeleter>;
