#include "CaptureMode.h"

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

struct Rate {
    int numerator = 0;
    int denominator = 1;
    double perSecond() const { return denominator > 0 ? double(numerator) / denominator : 0.0; }
};

// The values an integer field allows: fixed ones, or a range with its step.
struct IntValues {
    std::vector<int> fixed;
    int min = 0, max = 0, step = 1; // a range when max > 0
    bool allows(int v) const
    {
        if (max > 0)
            return v >= min && v <= max && (step <= 1 || (v - min) % step == 0);
        return std::find(fixed.begin(), fixed.end(), v) != fixed.end();
    }
};

IntValues intValues(const GstStructure* s, const char* field)
{
    IntValues values;
    const GValue* value = gst_structure_get_value(s, field);
    if (!value)
        return values;
    if (G_VALUE_HOLDS_INT(value)) {
        values.fixed.push_back(g_value_get_int(value));
    } else if (GST_VALUE_HOLDS_INT_RANGE(value)) {
        values.min = gst_value_get_int_range_min(value);
        values.max = gst_value_get_int_range_max(value);
        values.step = gst_value_get_int_range_step(value);
    } else if (GST_VALUE_HOLDS_LIST(value)) {
        for (guint i = 0; i < gst_value_list_get_size(value); ++i)
            if (const GValue* item = gst_value_list_get_value(value, i); G_VALUE_HOLDS_INT(item))
                values.fixed.push_back(g_value_get_int(item));
    }
    return values;
}

struct Size {
    int width = 0, height = 0;
};

// Sizes cameras and capture cards commonly give, largest first.
constexpr Size kStandardSizes[] = {{7680, 4320}, {4096, 2160}, {3840, 2160}, {2592, 1944}, {2560, 1440}, {1920, 1200},
                                   {1920, 1080}, {1600, 1200}, {1280, 1024}, {1280, 960},  {1280, 720},  {1024, 768},
                                   {800, 600},   {720, 576},   {720, 480},   {640, 480},   {640, 360},   {352, 288},
                                   {320, 240},   {320, 180},   {176, 144},   {160, 120}};

// The sizes a structure stands for. Fixed sizes as they are; from a range, the
// standard sizes inside it up to the bound (and the size asked for, when inside),
// else the range's smallest corner, which is the least it can cost.
std::vector<Size> sizesOf(const GstStructure* s, const PictureSize& asked)
{
    const IntValues widths = intValues(s, "width"), heights = intValues(s, "height");
    std::vector<Size> sizes;
    if (widths.max == 0 && heights.max == 0) {
        for (int w : widths.fixed)
            for (int h : heights.fixed)
                if (w > 0 && h > 0)
                    sizes.push_back({w, h});
        return sizes;
    }
    if (asked.kind == PictureSize::Kind::Exact && widths.allows(asked.width) && heights.allows(asked.height))
        sizes.push_back({asked.width, asked.height});
    for (const Size& size : kStandardSizes)
        if (size.width <= CaptureMode::kLargestFromRangeWidth && size.height <= CaptureMode::kLargestFromRangeHeight &&
            widths.allows(size.width) && heights.allows(size.height))
            sizes.push_back(size);
    if (sizes.empty()) {
        const int w = widths.max > 0 ? widths.min : (widths.fixed.empty() ? 0 : widths.fixed.front());
        const int h = heights.max > 0 ? heights.min : (heights.fixed.empty() ? 0 : heights.fixed.front());
        if (w > 0 && h > 0)
            sizes.push_back({w, h});
    }
    return sizes;
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

// For a size asked for: nearer in width and height; then raw.
bool nearer(const CaptureMode& a, const CaptureMode& b, const PictureSize& asked)
{
    const long long offA = std::llabs(a.width - asked.width) + std::llabs(a.height - asked.height);
    const long long offB = std::llabs(b.width - asked.width) + std::llabs(b.height - asked.height);
    if (offA != offB)
        return offA < offB;
    return a.compressed != b.compressed && !a.compressed;
}

// The largest picture; then raw.
bool larger(const CaptureMode& a, const CaptureMode& b)
{
    const long long areaA = 1LL * a.width * a.height, areaB = 1LL * b.width * b.height;
    if (areaA != areaB)
        return areaA > areaB;
    return a.compressed != b.compressed && !a.compressed;
}

// The slowest rate of at least one a second, else the fastest there is.
std::optional<Rate> sparseRate(const std::vector<Rate>& rates)
{
    std::optional<Rate> slowest, fastest;
    for (const Rate& rate : rates) {
        const double fps = rate.perSecond();
        if (fps >= 1.0 && (!slowest || fps < slowest->perSecond()))
            slowest = rate;
        if (fps > 0 && (!fastest || fps > fastest->perSecond()))
            fastest = rate;
    }
    return slowest ? slowest : fastest;
}

} // namespace

std::optional<PictureSize> PictureSize::parse(const QString& text)
{
    const QString t = text.trimmed().toLower();
    if (t == QLatin1String("auto") || t.isEmpty())
        return PictureSize{};
    if (t == QLatin1String("largest"))
        return PictureSize{Kind::Largest};
    const QStringList parts = t.split(QLatin1Char('x'));
    bool wide = false, high = false;
    const int width = parts.size() == 2 ? parts[0].toInt(&wide) : 0;
    const int height = parts.size() == 2 ? parts[1].toInt(&high) : 0;
    if (!wide || !high || width <= 0 || height <= 0 || width > 16384 || height > 16384)
        return std::nullopt;
    return PictureSize{Kind::Exact, width, height};
}

GstCapsRef CaptureMode::caps() const
{
    return GstCapsRef::adopt(gst_caps_new_simple(compressed ? "image/jpeg" : "video/x-raw", "width", G_TYPE_INT, width,
                                                 "height", G_TYPE_INT, height, "framerate", GST_TYPE_FRACTION,
                                                 framesPerSecondNumerator, framesPerSecondDenominator, nullptr));
}

std::optional<CaptureMode> chooseCaptureMode(const GstCaps* offered, CaptureMode::Pace pace, const PictureSize& size)
{
    if (!offered || gst_caps_is_any(offered))
        return std::nullopt;
    const bool sparse = pace == CaptureMode::Pace::Sparse;
    const bool largest = size.kind == PictureSize::Kind::Largest || (size.kind == PictureSize::Kind::Auto && sparse);
    std::optional<CaptureMode> chosen;
    for (guint i = 0; i < gst_caps_get_size(offered); ++i) {
        const GstStructure* s = gst_caps_get_structure(offered, i);
        CaptureMode mode;
        if (gst_structure_has_name(s, "image/jpeg"))
            mode.compressed = true;
        else if (!gst_structure_has_name(s, "video/x-raw"))
            continue;
        const std::vector<Rate> rates = ratesOf(s);
        // A still every few seconds needs no more than one frame a second; a preview wants smooth.
        const std::optional<Rate> rate = sparse ? sparseRate(rates) : bestRate(rates);
        if (!rate || rate->perSecond() <= 0)
            continue;
        mode.framesPerSecondNumerator = rate->numerator;
        mode.framesPerSecondDenominator = rate->denominator;
        for (const Size& offeredSize : sizesOf(s, size)) {
            mode.width = offeredSize.width;
            mode.height = offeredSize.height;
            // The largest is the largest given at one frame a second or more, where there is such a size.
            const bool wins = !chosen ? true
                : size.kind == PictureSize::Kind::Exact ? nearer(mode, *chosen, size)
                : largest ? (mode.framesPerSecond() >= 1.0) != (chosen->framesPerSecond() >= 1.0)
                        ? mode.framesPerSecond() >= 1.0
                        : larger(mode, *chosen)
                : better(mode, *chosen);
            if (wins)
                chosen = mode;
        }
    }
    return chosen;
}
