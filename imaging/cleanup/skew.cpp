// Three passes: a coarse sweep over the whole range with a sample of the points and wide bins, then finer steps with
// one-pixel bins around the best angle so far, and a parabola through the last three scores.
#include "imaging/cleanup/skew.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace vantrel::imaging::cleanup {
namespace {

struct Point {
    float x, y;
};

class Profile {
public:
    Profile(const std::vector<Point>& points, std::uint32_t width, std::uint32_t height)
        : points_(points), width_(width), height_(height) {}

    // Sum of squared bin counts of every `stride`-th point projected at `degrees` into bins `bin` pixels high.
    double Score(double degrees, float bin, std::size_t stride) const {
        const float t = static_cast<float>(std::tan(degrees * std::numbers::pi / 180));
        const float reach = std::abs(t) * static_cast<float>(width_);
        const auto bins = static_cast<std::size_t>((static_cast<float>(height_) + reach) / bin) + 2;
        counts_.assign(bins, 0);
        const float offset = t < 0 ? reach : 0;
        for (std::size_t i = 0; i < points_.size(); i += stride) {
            const float b = (points_[i].y + points_[i].x * t + offset) / bin;
            ++counts_[static_cast<std::size_t>(std::clamp(b, 0.0f, static_cast<float>(bins - 1)))];
        }
        double score = 0;
        for (const std::uint32_t c : counts_) score += static_cast<double>(c) * c;
        return score;
    }

private:
    const std::vector<Point>& points_;
    std::uint32_t width_, height_;
    mutable std::vector<std::uint32_t> counts_;
};

// How much sharper the best angle's profile must be than the profiles a degree to either side.
constexpr double kLinedUp = 1.5;

struct Best {
    double degrees, score;
};

Best Sweep(const Profile& profile, double from, double to, double step, float bin, std::size_t stride) {
    Best best{from, -1};
    const int steps = static_cast<int>(std::lround((to - from) / step));
    for (int i = 0; i <= steps; ++i) {
        const double degrees = from + i * step;
        const double score = profile.Score(degrees, bin, stride);
        if (score > best.score) best = {degrees, score};
    }
    return best;
}

}  // namespace

SkewEstimate FindSkew(const InkMask& ink, const SkewOptions& options) {
    std::vector<Point> points;  // ink with paper below it: baselines and the lower edges of strokes
    for (std::uint32_t y = 0; y + 1 < ink.height; ++y)
        for (std::uint32_t x = 0; x < ink.width; ++x)
            if (ink.At(x, y) && !ink.At(x, y + 1)) points.push_back({static_cast<float>(x), static_cast<float>(y)});
    if (points.size() < 200) return {};
    const Profile profile(points, ink.width, ink.height);
    const std::size_t sample = std::max<std::size_t>(1, points.size() / 40000);
    const Best first = Sweep(profile, -options.maxDegrees, options.maxDegrees, 0.25, 16, sample);
    // One-pixel bins from here on: wider ones alias, a baseline at the right angle falling across a bin boundary.
    const Best second = Sweep(profile, first.degrees - 0.75, first.degrees + 0.75, 0.05, 1, std::max<std::size_t>(1, sample / 4));
    const double step = 0.01;
    const Best third = Sweep(profile, second.degrees - 0.06, second.degrees + 0.06, step, 1, 1);
    const double left = profile.Score(third.degrees - step, 1, 1), right = profile.Score(third.degrees + step, 1, 1);
    const double curvature = left - 2 * third.score + right;
    const double shift = curvature < 0 ? std::clamp(0.5 * (left - right) / curvature, -0.5, 0.5) : 0;
    // Lines of text stand out: a degree away their profile is flat. Dust, punch holes, a signature or a lone page
    // number score about the same at any angle, and such a page is left as it is.
    const double aside = std::max(profile.Score(third.degrees - 1, 1, 1), profile.Score(third.degrees + 1, 1, 1));
    if (third.score < kLinedUp * aside) return {};
    const double degrees = std::clamp(third.degrees + shift * step, -options.maxDegrees, options.maxDegrees);
    return {std::abs(degrees) < options.minDegrees ? 0 : degrees, true};
}

}  // namespace vantrel::imaging::cleanup
