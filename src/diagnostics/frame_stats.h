// Frame-interval statistics: a fixed histogram of the time between two
// server frames, filled with one increment per frame and read at each
// governor check (percentiles, maximum, frame rate).
#pragma once

#include <cstdint>

// 1-microsecond buckets below 20 ms, 1-millisecond buckets from 20 ms to 1 s;
// anything longer is counted as overflow.  The maximum is kept exactly.
constexpr uint32_t kFineBucketLimitUs = 20000;
constexpr uint32_t kCoarseBucketUs = 1000;
constexpr uint32_t kHistogramLimitUs = 1000000;
constexpr uint32_t kHistogramBuckets =
    kFineBucketLimitUs + (kHistogramLimitUs - kFineBucketLimitUs) / kCoarseBucketUs;

struct IntervalHistogram {
    uint32_t buckets[kHistogramBuckets];
    uint32_t overflow;  // intervals of 1 s or longer
    uint32_t count;     // every interval, overflow included
    uint64_t totalNs;   // their sum
    uint32_t maxUs;
};

// One frame interval.  Allocation-free; a handful of integer operations.
inline void AddInterval(IntervalHistogram &histogram, uint64_t nanoseconds) {
    ++histogram.count;
    histogram.totalNs += nanoseconds;
    if (nanoseconds >= static_cast<uint64_t>(kHistogramLimitUs) * 1000u) {
        ++histogram.overflow;
        const uint64_t us = nanoseconds / 1000u;
        const uint32_t clipped = us > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(us);
        if (clipped > histogram.maxUs) histogram.maxUs = clipped;
        return;
    }
    const uint32_t us = static_cast<uint32_t>(nanoseconds) / 1000u;  // below 10^9: fits 32 bits
    if (us > histogram.maxUs) histogram.maxUs = us;
    const uint32_t bucket =
        us < kFineBucketLimitUs ? us : kFineBucketLimitUs + (us - kFineBucketLimitUs) / kCoarseBucketUs;
    ++histogram.buckets[bucket];
}

void ClearHistogram(IntervalHistogram &histogram);
// Adds every count of `from` to `into`.
void MergeHistogram(IntervalHistogram &into, const IntervalHistogram &from);
// The first of the buckets at which their running sum reaches the nearest
// rank of `fraction` among `count` values; bucketCount when it lies beyond
// them.  The percentiles of both histograms, the intervals' and the frame
// profile's, read through it.
uint32_t NearestRankBucket(const uint32_t *buckets, uint32_t bucketCount, uint32_t count, double fraction);
// The interval (microseconds) below or at which `fraction` of the intervals
// lie (nearest rank).  A coarse bucket reads as its lower edge, an overflow
// as the maximum; 0 for an empty histogram.
uint32_t IntervalPercentile(const IntervalHistogram &histogram, double fraction);

// What the console command, the trace and the warnings read.
struct IntervalSummary {
    uint32_t frames;   // intervals measured
    double fps;        // frames a second of wall-clock time
    uint32_t p50Us, p90Us, p99Us, p999Us, maxUs;
    bool haveCpu;
    double cpuPercent;  // the process's processor time, in % of one core
};

void SummarizeHistogram(const IntervalHistogram &histogram, IntervalSummary *summary);
