#include "CaptureMode.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

struct Rate {
    int numerator = 0;
    int denominator = 1;
    double perSecond() const { return denominator > 0 ? double(numerator) / denominator : 0.0; }
};

// The largest value of an integer field, whether a fixed value, a range or a list.
int largestInt(const GstStructure* s, const char* field)
{
    const GValue* value = gst_structure_get_value(s, field);
    if (!value)
        return 0;
    if (G_VALUE_HOLDS_INT(value))
        return g_value_get_int(value);
    if (GST_VALUE_HOLDS_INT_RANGE(value))
        return gst_value_get_int_range_max(value);
    if (GST_VALUE_HOLDS_LIST(value)) {
        int largest = 0;
        for (guint i = 0; i < gst_value_list_get_size(value); ++i) {
            const GValue* item = gst_value_list_get_value(value, i);
            if (G_VALUE_HOLDS_INT(item))
                largest = std::max(largest, g_value_get_int(item));
        }
        return largest;
    }
    return 0;
}

Rate rateOf(const GValue* value)
{
    return Rate{gst_value_get_fraction_numerator(value), gst_value_get_fraction_denominator(value)};
}

// The rates a structure offers; a range stands for its ends and the smooth rate when inside.
std::vector<Rate> ratesOf(const GstStructure* s)
{
    const GValue* value = gst_structure_get_value(s, "framerate");
    std::vector<Rate> rates;
    if (!value)
        return rates;
    if (GST_VALUE_HOLDS_FRACTION(value)) {
        rates.push_back(rateOf(value));
    } else if (GST_VALUE_HOLDS_LIST(value)) {
        for (guint i = 0; i < gst_value_list_get_size(value); ++i)
            if (GST_VALUE_HOLDS_FRACTION(gst_value_list_get_value(value, i)))
                rates.push_back(rateOf(gst_value_list_get_value(value, i)));
    } else if (GST_VALUE_HOLDS_FRACTION_RANGE(value)) {
        const Rate low = rateOf(gst_value_get_fraction_range_min(value));
        const Rate high = rateOf(gst_value_get_fraction_range_max(value));
        rates.push_back(low);
        rates.push_back(high);
        if (low.perSecond() < CaptureMode::kSmoothFramesPerSecond && high.perSecond() >= CaptureMode::kSmoothFramesPerSecond)
            rates.push_back(Rate{int(CaptureMode::kSmoothFramesPerSecond), 1});
    }
    return rates;
}

// The structure's rate to use: the lowest smooth one, else the fastest.
std::optional<Rate> bestRate(const std::vector<Rate>& rates)
{
    std::optional<Rate> lowestSmooth, fastest;
    for (const Rate& rate : rates) {
        const double fps = rate.perSecond();
        if (fps <= 0)
            continue;
        if (fps >= CaptureMode::kSmoothFramesPerSecond && (!lowestSmooth || fps < lowestSmooth->perSecond()))
            lowestSmooth = rate;
        if (!fastest || fps > fastest->perSecond())
            fastest = rate;
    }
    return lowestSmooth ? lowestSmooth : fastest;
}

// Smooth beats not; then the larger picture; then raw; then, below smooth, the faster.
bool better(const CaptureMode& a, const CaptureMode& b)
{
    const double fpsA = a.framesPerSecond(), fpsB = b.framesPerSecond();
    const bool smoothA = fpsA >= CaptureMode::kSmoothFramesPerSecond;
    const bool smoothB = fpsB >= CaptureMode::kSmoothFramesPerSecond;
    if (smoothA != smoothB)
        return smoothA;
    const long long areaA = 1LL * a.width * a.height, areaB = 1LL * b.width * b.height;
    if (!smoothA && fpsA != fpsB)
        return fpsA > fpsB;
    if (areaA != areaB)
        return areaA > areaB;
    if (a.compressed != b.compressed)
        return !a.compressed;
    return false;
}

} // namespace

GstCapsRef CaptureMode::caps() const
{
    return GstCapsRef::adopt(gst_caps_new_simple(compressed ? "image/jpeg" : "video/x-raw", "width", G_TYPE_INT, width,
                                                 "height", G_TYPE_INT, height, "framerate", GST_TYPE_FRACTION,
                                                 framesPerSecondNumerator, framesPerSecondDenominator, nullptr));
}

std::optional<CaptureMode> chooseCaptureMode(const GstCaps* offered, CaptureMode::Pace pace)
{
    if (!offered || gst_caps_is_any(offered))
        return std::nullopt;
    std::optional<CaptureMode> chosen;
    for (guint i = 0; i < gst_caps_get_size(offered); ++i) {
        const GstStructure* s = gst_caps_get_structure(offered, i);
        CaptureMode mode;
        if (gst_structure_has_name(s, "image/jpeg"))
            mode.compressed = true;
        else if (!gst_structure_has_name(s, "video/x-raw"))
            continue;
        mode.width = largestInt(s, "width");
        mode.height = largestInt(s, "height");
        const std::optional<Rate> rate = bestRate(ratesOf(s));
        if (mode.width <= 0 || mode.height <= 0 || !rate)
            continue;
        mode.framesPerSecondNumerator = rate->numerator;
        mode.framesPerSecondDenominator = rate->denominator;
        if (!chosen || better(mode, *chosen))
            chosen = mode;
    }
    if (!chosen || pace == CaptureMode::Pace::Smooth)
        return chosen;
    // Sparse: the slowest rate offered for the chosen format and size, of at least one a second.
    for (guint i = 0; i < gst_caps_get_size(offered); ++i) {
        const GstStructure* s = gst_caps_get_structure(offered, i);
        if (gst_structure_has_name(s, "image/jpeg") != chosen->compressed || largestInt(s, "width") != chosen->width ||
            largestInt(s, "height") != chosen->height)
            continue;
        for (const Rate& rate : ratesOf(s))
            if (rate.perSecond() >= 1.0 && rate.perSecond() < chosen->framesPerSecond()) { // slower would look like a stall
                chosen->framesPerSecondNumerator = rate.numerator;
                chosen->framesPerSecondDenominator = rate.denominator;
            }
    }
    return chosen;
}
