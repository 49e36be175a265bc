#include "CaptureSession.h"

#include <QCoreApplication>

#include <gst/app/gstappsink.h>

#include <algorithm>

namespace {

Error sessionError(int code, const QString& text)
{
    return Error{QStringLiteral("OmbrixCameraErrorDomain"), code, text};
}

GstElementRef makeElement(const char* factory, Error* error)
{
    GstElementRef element = GstElementRef::refSink(gst_element_factory_make(factory, nullptr));
    if (!element && error->description.isEmpty())
        *error = sessionError(3, QCoreApplication::translate("CaptureSession",
                                                             "The GStreamer element \"%1\" is missing; "
                                                             "please install GStreamer's base plugins.")
                                     .arg(QString::fromLatin1(factory)));
    return element;
}

} // namespace

void FrameFanout::add(FrameDelegate* listener)
{
    std::lock_guard lock(m_lock);
    m_listeners.push_back(listener);
}

void FrameFanout::remove(FrameDelegate* listener)
{
    std::lock_guard lock(m_lock);
    std::erase(m_listeners, listener);
}

void FrameFanout::deliver(GstSample* frame)
{
    std::lock_guard lock(m_lock);
    for (FrameDelegate* listener : m_listeners)
        listener->captureOutput(frame);
}

DecompressedVideoOutput::DecompressedVideoOutput(FrameDelegate* delegate, FrameFanout* previews)
    : m_delegate(delegate)
    , m_previews(previews)
{
    m_convert = makeElement("videoconvert", &m_error);
    m_filter = makeElement("capsfilter", &m_error);
    m_sink = makeElement("appsink", &m_error);
    if (!m_convert || !m_filter || !m_sink) {
        m_convert.reset();
        m_filter.reset();
        m_sink.reset();
        return;
    }
    constexpr const char* kFormat = G_BYTE_ORDER == G_LITTLE_ENDIAN ? "BGRx" : "xRGB";
    GstCapsRef caps = GstCapsRef::adopt(gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, kFormat, nullptr));
    g_object_set(m_filter.get(), "caps", caps.get(), nullptr);
    // Only the newest frame matters; old ones are dropped rather than queued.
    g_object_set(m_sink.get(), "max-buffers", 1u, "drop", TRUE, "sync", FALSE, "enable-last-sample", FALSE,
                 "emit-signals", FALSE, nullptr);
    GstAppSinkCallbacks callbacks{};
    callbacks.new_sample = [](GstAppSink* sink, gpointer self) -> GstFlowReturn {
        auto* output = static_cast<DecompressedVideoOutput*>(self);
        GstSampleRef sample = GstSampleRef::adopt(gst_app_sink_pull_sample(sink));
        if (sample) {
            output->m_delegate->captureOutput(sample.get());
            output->m_previews->deliver(sample.get());
        }
        return GST_FLOW_OK;
    };
    gst_app_sink_set_callbacks(GST_APP_SINK(m_sink.get()), &callbacks, this, nullptr);
}

DecompressedVideoOutput::~DecompressedVideoOutput() = default;

CaptureSession::CaptureSession()
    : m_pipeline(GstElementRef::refSink(gst_pipeline_new("ombrix-capture")))
    , m_bus(GstBusRef::adopt(gst_element_get_bus(m_pipeline.get())))
{
    // Nobody reads the session's bus while it runs; without this its messages
    // would pile up for as long as the process lives.
    gst_bus_set_flushing(m_bus.get(), TRUE);
}

CaptureSession::~CaptureSession()
{
    gst_element_set_state(m_pipeline.get(), GST_STATE_NULL);
}

bool CaptureSession::startRunning(Error* error)
{
    gst_bus_set_flushing(m_bus.get(), FALSE);
    const GstStateChangeReturn rc = gst_element_set_state(m_pipeline.get(), GST_STATE_PLAYING);
    if (rc == GST_STATE_CHANGE_FAILURE) {
        *error = errorFromBus(m_bus.get(), QCoreApplication::translate("CaptureSession", "The camera cannot be started."));
        gst_element_set_state(m_pipeline.get(), GST_STATE_NULL);
        gst_bus_set_flushing(m_bus.get(), TRUE);
        m_running = false;
        return false;
    }
    gst_bus_set_flushing(m_bus.get(), TRUE);
    m_running = true;
    return true;
}

void CaptureSession::stopRunning()
{
    gst_element_set_state(m_pipeline.get(), GST_STATE_NULL);
    m_running = false;
}

void CaptureSession::removeInput(const GstElementRef& input)
{
    const auto it = std::find(m_inputs.begin(), m_inputs.end(), input);
    if (it == m_inputs.end())
        return;
    GstElementRef keep = *it; // the bin drops its reference on removal
    m_inputs.erase(it);
    gst_element_set_state(keep.get(), GST_STATE_NULL);
    gst_bin_remove(GST_BIN(m_pipeline.get()), keep.get());
}

bool CaptureSession::addInput(const CaptureDevice& device, Error* error)
{
    GstElement* element = device.element();
    if (!element || !gst_bin_add(GST_BIN(m_pipeline.get()), element)) {
        *error = sessionError(4, QCoreApplication::translate("CaptureSession", "The camera \"%1\" cannot be used.")
                                     .arg(device.localizedDisplayName()));
        return false;
    }
    GstElementRef input = GstElementRef::ref(element);
    if (m_output && !linkInput(element, error)) {
        gst_bin_remove(GST_BIN(m_pipeline.get()), element);
        return false;
    }
    m_inputs.push_back(std::move(input));
    return true;
}

bool CaptureSession::addOutput(DecompressedVideoOutput* output, Error* error)
{
    if (!output->isValid()) {
        *error = output->error();
        return false;
    }
    GstBin* bin = GST_BIN(m_pipeline.get());
    gst_bin_add_many(bin, output->convert(), output->filter(), output->sink(), nullptr);
    if (!gst_element_link_many(output->convert(), output->filter(), output->sink(), nullptr)) {
        *error = sessionError(5, QCoreApplication::translate("CaptureSession", "The camera's video cannot be converted."));
        return false;
    }
    m_output = output;
    for (const GstElementRef& input : m_inputs)
        if (!linkInput(input.get(), error))
            return false;
    return true;
}

bool CaptureSession::linkInput(GstElement* input, Error* error)
{
    if (gst_element_link(input, m_output->convert()))
        return true;
    *error = sessionError(5, QCoreApplication::translate("CaptureSession", "The camera's video cannot be converted."));
    return false;
}
