#include "Merge3.h"

#include "Errors.h"

#include <string_view>
#include <unordered_map>
#include <vector>

namespace vss::server {

namespace {

constexpr int kMaxEdits = 2000;

using Lines = std::vector<std::string_view>;

Lines splitLines(const std::string& text) {
    Lines lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        const std::size_t stop = end == std::string::npos ? text.size() : end + 1;
        lines.emplace_back(text.data() + start, stop - start);
        start = stop;
    }
    return lines;
}

// For each line of a, the index of the line of b it is matched with by a shortest edit
// script (Myers), or -1.
std::vector<int> matchLines(const std::vector<int>& a, const std::vector<int>& b) {
    const int n = static_cast<int>(a.size());
    const int m = static_cast<int>(b.size());
    std::vector<int> match(a.size(), -1);
    int prefix = 0;
    while (prefix < n && prefix < m && a[prefix] == b[prefix]) {
        match[prefix] = prefix;
        ++prefix;
    }
    int suffix = 0;
    while (suffix < n - prefix && suffix < m - prefix && a[n - 1 - suffix] == b[m - 1 - suffix]) {
        match[n - 1 - suffix] = m - 1 - suffix;
        ++suffix;
    }
    const int na = n - prefix - suffix;
    const int nb = m - prefix - suffix;
    if (na == 0 || nb == 0)
        return match;
    auto A = [&](int i) { return a[prefix + i]; };
    auto B = [&](int j) { return b[prefix + j]; };

    const int max = na + nb;
    std::vector<int> v(2 * max + 3, 0);
    const int offset = max + 1;
    // trace[d] holds v[-(d+1) .. d+1] as it was before step d.
    std::vector<std::vector<int>> trace;
    int found = -1;
    for (int d = 0; d <= max && found < 0; ++d) {
        if (d > kMaxEdits)
            throw VssError("The texts differ in too many places to merge.");
        trace.emplace_back(v.begin() + offset - d - 1, v.begin() + offset + d + 2);
        for (int k = -d; k <= d; k += 2) {
            int x = (k == -d || (k != d && v[offset + k - 1] < v[offset + k + 1]))
                        ? v[offset + k + 1]
                        : v[offset + k - 1] + 1;
            int y = x - k;
            while (x < na && y < nb && A(x) == B(y)) {
                ++x;
                ++y;
            }
            v[offset + k] = x;
            if (x >= na && y >= nb) {
                found = d;
                break;
            }
        }
    }
    int x = na;
    int y = nb;
    for (int d = found; d >= 0; --d) {
        const std::vector<int>& t = trace[static_cast<std::size_t>(d)];
        auto at = [&](int k) { return t[static_cast<std::size_t>(k + d + 1)]; };
        const int k = x - y;
        const int prevK = (k == -d || (k != d && at(k - 1) < at(k + 1))) ? k + 1 : k - 1;
        const int prevX = at(prevK);
        const int prevY = prevX - prevK;
        while (x > prevX && y > prevY) {
            --x;
            --y;
            match[prefix + x] = prefix + y;
        }
        if (d > 0) {
            x = prevX;
            y = prevY;
        }
    }
    return match;
}

bool sameRange(const std::vector<int>& p, int p0, int p1, const std::vector<int>& q, int q0,
               int q1) {
    if (p1 - p0 != q1 - q0)
        return false;
    for (int i = 0; i < p1 - p0; ++i)
        if (p[p0 + i] != q[q0 + i])
            return false;
    return true;
}

} // namespace

Merge3::Result Merge3::merge(const std::string& base, const std::string& mine,
                             const std::string& theirs) {
    const Lines lo = splitLines(base);
    const Lines la = splitLines(mine);
    const Lines lb = splitLines(theirs);
    std::unordered_map<std::string_view, int> ids;
    auto number = [&](const Lines& lines) {
        std::vector<int> out;
        out.reserve(lines.size());
        for (std::string_view line : lines)
            out.push_back(ids.emplace(line, static_cast<int>(ids.size())).first->second);
        return out;
    };
    const std::vector<int> o = number(lo);
    const std::vector<int> a = number(la);
    const std::vector<int> b = number(lb);
    const std::vector<int> ma = matchLines(o, a);
    const std::vector<int> mb = matchLines(o, b);

    const int no = static_cast<int>(o.size());
    const int na = static_cast<int>(a.size());
    const int nb = static_cast<int>(b.size());
    Result result;
    auto emit = [&](const Lines& lines, int from, int to) {
        for (int i = from; i < to; ++i)
            result.text.append(lines[static_cast<std::size_t>(i)]);
    };
    int io = 0, ia = 0, ib = 0;
    while (io < no || ia < na || ib < nb) {
        int stable = 0;
        while (io + stable < no && ma[io + stable] == ia + stable && mb[io + stable] == ib + stable)
            ++stable;
        if (stable > 0) {
            emit(lo, io, io + stable);
            io += stable;
            ia += stable;
            ib += stable;
            continue;
        }
        int k = io;
        while (k < no && (ma[k] < 0 || mb[k] < 0))
            ++k;
        const int endA = k < no ? ma[k] : na;
        const int endB = k < no ? mb[k] : nb;
        const bool mineSame = sameRange(a, ia, endA, o, io, k);
        const bool theirsSame = sameRange(b, ib, endB, o, io, k);
        if (mineSame)
            emit(lb, ib, endB);
        else if (theirsSame || sameRange(a, ia, endA, b, ib, endB))
            emit(la, ia, endA);
        else
            result.conflict = true;
        io = k;
        ia = endA;
        ib = endB;
    }
    return result;
}

} // namespace vss::server
