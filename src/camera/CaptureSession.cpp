#include "CaptureSession.h"

#include "CameraError.h"
#include "CaptureMode.h"
#include "GstError.h"

#include <QCoreApplication>

#include <gst/app/gstappsink.h>

#include <algorithm>

namespace {

GstElementRef makeElement(const char* factory, Error* error)
{
    GstElementRef element = GstElementRef::refSink(gst_element_factory_make(factory, nullptr));
    if (!element && error->description.isEmpty()) {
        // The decoder of compressed video comes with the good plugins, the rest with the base ones.
        const QString text = qstrcmp(factory, "jpegdec") == 0
            ? QCoreApplication::translate("CaptureSession", "The GStreamer element \"%1\" is missing; "
                                                            "please install GStreamer's good plugins.")
            : QCoreApplication::translate("CaptureSession", "The GStreamer element \"%1\" is missing; "
                                                            "please install GStreamer's base plugins.");
        *error = cameraError(CameraError::MissingElement, text.arg(QString::fromLatin1(factory)));
    }
    return element;
}

Error cannotConvert()
{
    return cameraError(CameraError::CannotConvert, QCoreApplication::translate("CaptureSession", "The camera's video cannot be converted."));
}

// Lets through at most `perSecond` frames a second, by the frames' own times. The
// state lives with the probe, on the streaming thread.
void thinFrames(GstElement* element, int perSecond)
{
    struct Thinning {
        GstClockTime interval;
        GstClockTime last = GST_CLOCK_TIME_NONE;
    };
    const GstPadRef pad = GstPadRef::adopt(gst_element_get_static_pad(element, "src"));
    gst_pad_add_probe(
        pad.get(), GST_PAD_PROBE_TYPE_BUFFER,
        [](GstPad*, GstPadProbeInfo* info, gpointer data) {
            auto* t = static_cast<Thinning*>(data);
            const GstClockTime time = GST_BUFFER_PTS(GST_PAD_PROBE_INFO_BUFFER(info));
            if (!GST_CLOCK_TIME_IS_VALID(time))
                return GST_PAD_PROBE_OK;
            if (GST_CLOCK_TIME_IS_VALID(t->last) && time >= t->last && time - t->last < t->interval)
                return GST_PAD_PROBE_DROP;
            t->last = time;
            return GST_PAD_PROBE_OK;
        },
        new Thinning{GST_SECOND / GstClockTime(perSecond)}, [](gpointer data) { delete static_cast<Thinning*>(data); });
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
    , m_busWatch(std::make_unique<BusWatch>(m_bus, [this](GstMessage* message) { busMessage(message); }))
{
}

CaptureSession::~CaptureSession()
{
    gst_element_set_state(m_pipeline.get(), GST_STATE_NULL);
}

bool CaptureSession::startRunning(Error* error)
{
    const GstStateChangeReturn rc = gst_element_set_state(m_pipeline.get(), GST_STATE_PLAYING);
    if (rc == GST_STATE_CHANGE_FAILURE) {
        *error = errorFromBus(m_bus.get(), QCoreApplication::translate("CaptureSession", "The camera cannot be started."));
        stopRunning();
        return false;
    }
    m_running = true;
    return true;
}

void CaptureSession::stopRunning()
{
    gst_element_set_state(m_pipeline.get(), GST_STATE_NULL);
    m_running = false;
    // What the stopped pipeline said last is not news about the next one.
    m_busWatch->discardPending();
}

void CaptureSession::busMessage(GstMessage* message)
{
    if (!m_running || !m_onFailure)
        return;
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_ERROR:
        m_onFailure(errorFromMessage(message).value_or(
            cameraError(CameraError::Failed, QCoreApplication::translate("CaptureSession", "The camera failed."))));
        return;
    case GST_MESSAGE_EOS:
        // A live camera's stream has no end of its own.
        m_onFailure(cameraError(CameraError::StreamEnded, QCoreApplication::translate("CaptureSession", "The camera stopped sending video.")));
        return;
    default:
        return;
    }
}

std::vector<GstElementRef> CaptureSession::inputs() const
{
    std::vector<GstElementRef> sources;
    for (const Input& input : m_inputs)
        sources.push_back(input.source);
    return sources;
}

void CaptureSession::removeInput(const GstElementRef& source)
{
    const auto it = std::find_if(m_inputs.begin(), m_inputs.end(), [&](const Input& input) { return input.source == source; });
    if (it == m_inputs.end())
        return;
    const Input keep = *it; // the bin drops its references on removal
    m_inputs.erase(it);
    gst_element_set_state(keep.source.get(), GST_STATE_NULL);
    gst_bin_remove(GST_BIN(m_pipeline.get()), keep.source.get());
    for (const GstElementRef& element : keep.front) {
        gst_element_set_state(element.get(), GST_STATE_NULL);
        gst_bin_remove(GST_BIN(m_pipeline.get()), element.get());
    }
}

bool CaptureSession::addInput(const CaptureDevice& device, Error* error)
{
    GstElement* element = device.element();
    Input input{GstElementRef::ref(element), {}};
    m_chosen = chooseCaptureMode(device.offeredCaps().get(), m_pace, m_size);
    if (const std::optional<CaptureMode>& mode = m_chosen) {
        GstElementRef filter = makeElement("capsfilter", error);
        GstElementRef decoder = mode->compressed ? makeElement("jpegdec", error) : GstElementRef();
        if (!filter || (mode->compressed && !decoder))
            return false;
        g_object_set(filter.get(), "caps", mode->caps().get(), nullptr);
        input.front.push_back(std::move(filter));
        if (decoder)
            input.front.push_back(std::move(decoder));
    }
    GstBin* bin = GST_BIN(m_pipeline.get());
    if (!element || !gst_bin_add(bin, element)) {
        *error = cameraError(CameraError::CannotUse, QCoreApplication::translate("CaptureSession", "The camera \"%1\" cannot be used.")
                                     .arg(device.localizedDisplayName()));
        return false;
    }
    for (const GstElementRef& next : input.front)
        gst_bin_add(bin, next.get());
    m_inputs.push_back(std::move(input)); // from here on removeInput() undoes it all
    const Input& added = m_inputs.back();
    bool linked = true;
    GstElement* previous = element;
    for (const GstElementRef& next : added.front) {
        linked = linked && gst_element_link(previous, next.get());
        previous = next.get();
    }
    if (!linked)
        *error = cannotConvert();
    if (!linked || (m_output && !linkInput(added, error))) {
        removeInput(GstElementRef(added.source));
        return false;
    }
    if (m_pace == CaptureMode::Pace::Sparse) {
        // Before the decoder: a frame dropped here is neither decoded nor converted.
        thinFrames(added.front.empty() ? element : added.front.front().get(), kSparseFramesPerSecond);
    }
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
        *error = cannotConvert();
        return false;
    }
    m_output = output;
    for (const Input& input : m_inputs)
        if (!linkInput(input, error))
            return false;
    return true;
}

bool CaptureSession::linkInput(const Input& input, Error* error)
{
    if (gst_element_link(input.last(), m_output->convert()))
        return true;
    *error = cannotConvert();
    return false;
}
