#include "tools/hatch_pattern.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace ovix::geom {

namespace {

struct Family {
  Vec2 dir, nrm, base, offset;
  double spacing = 0;  // distance between neighbouring lines, positive
  double period = 0;   // length of one run of the dash list
  const std::vector<double>* dashes = nullptr;
};

// The family's frame, or false when its lines do not advance.
bool MakeFamily(const PatternLine& line, double extent, Family& f) {
  const double a = line.angle_degrees * std::numbers::pi / 180.0;
  if (!std::isfinite(a) || !Finite(line.base) || !Finite(line.offset)) return false;
  f.dir = {std::cos(a), std::sin(a)};
  f.nrm = {-f.dir.y, f.dir.x};
  f.base = line.base;
  f.offset = line.offset;
  f.spacing = Dot(f.offset, f.nrm);
  if (f.spacing < 0) {
    f.offset = f.offset * -1.0;
    f.spacing = -f.spacing;
  }
  if (!(f.spacing > 1e-9 * std::max(1.0, extent))) return false;
  f.dashes = &line.dashes;
  f.period = 0;
  for (double d : line.dashes) f.period += std::isfinite(d) ? std::fabs(d) : 0.0;
  return true;
}

struct Range {
  double lo = std::numeric_limits<double>::infinity();
  double hi = -std::numeric_limits<double>::infinity();
  void Add(double v) {
    lo = std::min(lo, v);
    hi = std::max(hi, v);
  }
  bool Valid() const { return lo <= hi; }
};

Range Project(const std::vector<std::vector<Vec2>>& loops, Vec2 axis) {
  Range r;
  for (const auto& loop : loops) {
    for (const Vec2& v : loop) r.Add(Dot(v, axis));
  }
  return r;
}

double Extent(const std::vector<std::vector<Vec2>>& loops) {
  const Range x = Project(loops, {1, 0}), y = Project(loops, {0, 1});
  return x.Valid() ? std::max(x.hi - x.lo, y.hi - y.lo) : 0.0;
}

}  // namespace

double EstimatePatternPieces(const std::vector<PatternLine>& lines,
                             const std::vector<std::vector<Vec2>>& loops) {
  const double extent = Extent(loops);
  double total = 0;
  for (const PatternLine& line : lines) {
    Family f;
    if (!MakeFamily(line, extent, f)) continue;
    const Range across = Project(loops, f.nrm), along = Project(loops, f.dir);
    if (!across.Valid()) continue;
    const double count = (across.hi - across.lo) / f.spacing + 1;
    double per_line = 1;
    if (f.period > 0) {
      const double drawn = static_cast<double>(
          std::count_if(line.dashes.begin(), line.dashes.end(), [](double d) { return d >= 0; }));
      per_line = std::max(1.0, (along.hi - along.lo) / f.period * drawn);
    }
    total += count * per_line;
  }
  return total;
}

bool ClipPattern(const std::vector<PatternLine>& lines, const std::vector<std::vector<Vec2>>& loops,
                 std::size_t max_pieces, std::vector<PatternPiece>& out) {
  out.clear();
  const double extent = Extent(loops);
  struct Crossing {
    long long line;
    double t;
  };
  std::vector<Crossing> crossings;
  std::vector<double> ts;
  auto too_many = [&] {
    out.clear();
    return false;
  };
  for (const PatternLine& line : lines) {
    Family f;
    if (!MakeFamily(line, extent, f)) continue;
    const Range across = Project(loops, f.nrm);
    if (!across.Valid()) continue;
    const double base_n = Dot(f.base, f.nrm);
    const double kmin = std::ceil((across.lo - base_n) / f.spacing);
    const double kmax = std::floor((across.hi - base_n) / f.spacing);
    if (!(kmax >= kmin)) continue;
    // More lines than pieces allowed cannot be drawn, whatever the boundary.
    if (kmax - kmin + 1 > 4.0 * static_cast<double>(max_pieces) + 16) return too_many();
    const long long first = static_cast<long long>(kmin);
    const long long count = static_cast<long long>(kmax - kmin) + 1;

    // Every edge's crossings with the lines it spans.
    crossings.clear();
    for (const auto& loop : loops) {
      const std::size_t n = loop.size();
      for (std::size_t i = 0; i < n; ++i) {
        const Vec2 a = loop[i], b = loop[(i + 1) % n];
        const double na = Dot(a, f.nrm), nb = Dot(b, f.nrm);
        if (na == nb) continue;
        const double lo = std::min(na, nb), hi = std::max(na, nb);
        long long k0 = static_cast<long long>(std::ceil((lo - base_n) / f.spacing)) - 1;
        long long k1 = static_cast<long long>(std::floor((hi - base_n) / f.spacing)) + 1;
        k0 = std::max(k0, first);
        k1 = std::min(k1, first + count - 1);
        for (long long k = k0; k <= k1; ++k) {
          const double c = base_n + static_cast<double>(k) * f.spacing;
          if ((na > c) == (nb > c)) continue;
          const Vec2 p = a + (b - a) * ((c - na) / (nb - na));
          crossings.push_back({k - first, Dot(p, f.dir)});
        }
      }
    }
    // Bucket the crossings by line (counting sort), then pair them up.
    std::vector<std::size_t> start(static_cast<std::size_t>(count) + 1, 0);
    for (const Crossing& c : crossings) ++start[static_cast<std::size_t>(c.line) + 1];
    for (std::size_t i = 1; i < start.size(); ++i) start[i] += start[i - 1];
    std::vector<double> sorted(crossings.size());
    {
      std::vector<std::size_t> fill(start.begin(), start.end() - 1);
      for (const Crossing& c : crossings) sorted[fill[static_cast<std::size_t>(c.line)]++] = c.t;
    }
    for (long long li = 0; li < count; ++li) {
      const std::size_t b = start[static_cast<std::size_t>(li)];
      const std::size_t e = start[static_cast<std::size_t>(li) + 1];
      if (e - b < 2) continue;
      std::sort(sorted.begin() + static_cast<std::ptrdiff_t>(b),
                sorted.begin() + static_cast<std::ptrdiff_t>(e));
      const double k = static_cast<double>(first + li);
      const double c = base_n + k * f.spacing;
      const double origin = Dot(f.base + f.offset * k, f.dir);
      auto at = [&](double t) { return f.nrm * c + f.dir * t; };
      for (std::size_t i = b; i + 1 < e; i += 2) {
        const double t0 = sorted[i], t1 = sorted[i + 1];
        if (!(t1 > t0)) continue;
        if (f.period <= 0) {
          out.push_back({at(t0), at(t1)});
          if (out.size() > max_pieces) return too_many();
          continue;
        }
        if ((t1 - t0) / f.period > static_cast<double>(max_pieces)) return too_many();
        const double first_run = origin + std::floor((t0 - origin) / f.period) * f.period;
        const long long runs = static_cast<long long>(std::ceil((t1 - first_run) / f.period)) + 1;
        for (long long r = 0; r < runs; ++r) {
          double acc = first_run + static_cast<double>(r) * f.period;
          for (double d : *f.dashes) {
            if (!std::isfinite(d)) continue;
            const double len = std::fabs(d);
            if (d > 0) {
              const double s = std::max(acc, t0), e2 = std::min(acc + len, t1);
              if (e2 > s) out.push_back({at(s), at(e2)});
            } else if (d == 0 && acc >= t0 && acc <= t1) {
              out.push_back({at(acc), at(acc)});
            }
            acc += len;
            if (out.size() > max_pieces) return too_many();
          }
        }
      }
    }
  }
  return true;
}

}  // namespace ovix::geom
