#pragma once

#include <QImage>

#include <gst/gst.h>
#include <gst/video/video.h>

// A mapped frame of the session's 32-bit RGB layout, unmapped on scope exit.
class MappedFrame {
public:
    explicit MappedFrame(GstSample* sample)
    {
        GstVideoInfo info;
        GstCaps* caps = gst_sample_get_caps(sample);
        GstBuffer* buffer = gst_sample_get_buffer(sample);
        if (!caps || !buffer || !gst_video_info_from_caps(&info, caps))
            return;
        const GstVideoFormat format = GST_VIDEO_INFO_FORMAT(&info);
        if (format != GST_VIDEO_FORMAT_BGRx && format != GST_VIDEO_FORMAT_xRGB)
            return;
        m_mapped = gst_video_frame_map(&m_frame, &info, buffer, GST_MAP_READ);
    }
    ~MappedFrame()
    {
        if (m_mapped)
            gst_video_frame_unmap(&m_frame);
    }
    MappedFrame(const MappedFrame&) = delete;
    MappedFrame& operator=(const MappedFrame&) = delete;

    // The frame's pixels without a copy, valid while this object lives.
    QImage image() const
    {
        if (!m_mapped)
            return {};
        return QImage(static_cast<const uchar*>(GST_VIDEO_FRAME_PLANE_DATA(&m_frame, 0)), GST_VIDEO_FRAME_WIDTH(&m_frame),
                      GST_VIDEO_FRAME_HEIGHT(&m_frame), GST_VIDEO_FRAME_PLANE_STRIDE(&m_frame, 0), QImage::Format_RGB32);
    }

private:
    GstVideoFrame m_frame{};
    bool m_mapped = false;
};


