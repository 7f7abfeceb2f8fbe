#include "imaging/lanczos_weights.h"

#include <algorithm>
#include <cmath>

namespace mw::detail {

namespace {

double sinc(double x)
{
    if (x == 0.0)
        return 1.0;
    x *= M_PI;
    return std::sin(x) / x;
}

double lanczos3(double x)
{
    if (x <= -3.0 || x >= 3.0)
        return 0.0;
    return sinc(x) * sinc(x / 3.0);
}

} // namespace

LanczosWeights makeLanczos3Weights(int inSize, int outSize)
{
    LanczosWeights f;
    f.taps.resize(size_t(outSize));
    const double scale = double(outSize) / double(inSize);
    const double stretch = scale < 1.0 ? 1.0 / scale : 1.0;
    const double support = 3.0 * stretch;
    std::vector<double> w;
    for (int i = 0; i < outSize; ++i) {
        const double centre = (i + 0.5) / scale;
        int lo = int(std::floor(centre - support));
        int hi = int(std::ceil(centre + support));
        lo = std::max(lo, 0);
        hi = std::min(hi, inSize);
        w.assign(size_t(std::max(0, hi - lo)), 0.0);
        double sum = 0.0;
        for (int s = lo; s < hi; ++s) {
            const double v = lanczos3((s + 0.5 - centre) / stretch);
            w[size_t(s - lo)] = v;
            sum += v;
        }
        if (sum == 0.0) {  // cannot happen with Lanczos-3, but never divide by zero
            const int nearest = std::clamp(int(centre), 0, inSize - 1);
            lo = nearest;
            hi = nearest + 1;
            w.assign(1, 1.0);
            sum = 1.0;
        }
        // Trim taps whose fixed-point weight is zero at both ends.
        std::vector<int32_t> q(w.size());
        for (size_t k = 0; k < w.size(); ++k)
            q[k] = int32_t(std::lround(w[k] / sum * kLanczosOne));
        size_t b = 0, e = q.size();
        while (b + 1 < e && q[b] == 0)
            ++b;
        while (e > b + 1 && q[e - 1] == 0)
            --e;
        int32_t total = 0;
        size_t biggest = b;
        for (size_t k = b; k < e; ++k) {
            total += q[k];
            if (q[k] > q[biggest])
                biggest = k;
        }
        q[biggest] += kLanczosOne - total;

        LanczosTaps& t = f.taps[size_t(i)];
        t.first = lo + int(b);
        t.count = int(e - b);
        t.offset = f.weights.size();
        for (size_t k = b; k < e; ++k)
            f.weights.push_back(int16_t(q[k]));
        f.maxCount = std::max(f.maxCount, t.count);
    }
    return f;
}

} // namespace mw::detail
