#include "upload/site_presets.h"

#include <algorithm>
#include <cmath>

namespace lanxi {

const std::vector<PresetDescription>& SitePresets() {
    static const std::vector<PresetDescription> presets = {
        {SitePreset::Unlimited, QStringLiteral("不限（质量80）"), QString(), {}},
        {SitePreset::Article,
         QStringLiteral("文章插图：宽不大于700象素，不大于200kb"),
         QStringLiteral("article"),
         {700, 0, 200'000}},
        {SitePreset::Avatar310,
         QStringLiteral("头像：最小边310象素，不大于200kb"),
         QStringLiteral("avatar-310"),
         {0, 310, 200'000}},
        {SitePreset::Avatar210,
         QStringLiteral("头像：最小边210象素，不大于200kb"),
         QStringLiteral("avatar-210"),
         {0, 210, 200'000}},
        {SitePreset::IdCard,
         QStringLiteral("身份证：不大于100kb"),
         QStringLiteral("id-card"),
         {0, 0, 100'000}},
    };
    return presets;
}

const PresetDescription& Describe(SitePreset preset) {
    for (const PresetDescription& d : SitePresets()) {
        if (d.preset == preset) {
            return d;
        }
    }
    return SitePresets().front();
}

SitePreset PresetAt(int index) {
    const auto& presets = SitePresets();
    return index >= 0 && index < int(presets.size()) ? presets[std::size_t(index)].preset
                                                     : SitePreset::Unlimited;
}

QSize LimitedSize(const SiteLimits& limits, QSize size) {
    if (size.isEmpty()) {
        return size;
    }
    const auto scaled = [](int side, double factor) {
        return std::max(1, int(std::lround(side * factor)));
    };
    if (limits.maxWidth > 0 && size.width() > limits.maxWidth) {
        size =
            QSize(limits.maxWidth, scaled(size.height(), double(limits.maxWidth) / size.width()));
    }
    const int shorter = std::min(size.width(), size.height());
    if (limits.shorterSide > 0 && shorter > limits.shorterSide) {
        const double factor = double(limits.shorterSide) / shorter;
        size = size.width() <= size.height()
                   ? QSize(limits.shorterSide, scaled(size.height(), factor))
                   : QSize(scaled(size.width(), factor), limits.shorterSide);
    }
    return size;
}

QString SiteBytes(std::int64_t bytes) {
    if (bytes < 1'000'000) {
        return QStringLiteral("%1 KB").arg((bytes + 999) / 1000);
    }
    return QStringLiteral("%1 MB").arg(double(bytes) / 1e6, 0, 'f', 1);
}

}  // namespace lanxi
