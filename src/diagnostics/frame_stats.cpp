#include "diagnostics/frame_stats.h"

#include <cstring>

void ClearHistogram(IntervalHistogram &histogram) { std::memset(&histogram, 0, sizeof(histogram)); }

void MergeHistogram(IntervalHistogram &into, const IntervalHistogram &from) {
    for (uint32_t i = 0; i < kHistogramBuckets; ++i) into.buckets[i] += from.buckets[i];
    into.overflow += from.overflow;
    into.count += from.count;
    into.totalNs += from.totalNs;
    if (from.maxUs > into.maxUs) into.maxUs = from.maxUs;
}

uint32_t NearestRankBucket(const uint32_t *buckets, uint32_t bucketCount, uint32_t count, double fraction) {
    // Nearest rank: the smallest value with at least ceil(fraction * count)
    // values at or below it.
    const double wanted = fraction * static_cast<double>(count);
    uint64_t rank = static_cast<uint64_t>(wanted);
    if (static_cast<double>(rank) < wanted) ++rank;
    if (rank == 0) rank = 1;
    uint64_t seen = 0;
    for (uint32_t i = 0; i < bucketCount; ++i) {
        seen += buckets[i];
        if (seen >= rank) return i;
    }
    return bucketCount;
}

uint32_t IntervalPercentile(const IntervalHistogram &histogram, double fraction) {
    if (histogram.count == 0) return 0;
    const uint32_t i = NearestRankBucket(histogram.buckets, kHistogramBuckets, histogram.count, fraction);
    if (i < kHistogramBuckets)
        return i < kFineBucketLimitUs ? i : kFineBucketLimitUs + (i - kFineBucketLimitUs) * kCoarseBucketUs;
    return histogram.maxUs;  // among the overflow
}

void SummarizeHistogram(const IntervalHistogram &histogram, IntervalSummary *summary) {
    summary->frames = histogram.count;
    summary->fps = histogram.totalNs > 0
                       ? static_cast<double>(histogram.count) * 1e9 / static_cast<double>(histogram.totalNs)
                       : 0.0;
    summary->p50Us = IntervalPercentile(histogram, 0.50);
    summary->p90Us = IntervalPercentile(histogram, 0.90);
    summary->p99Us = IntervalPercentile(histogram, 0.99);
    summary->p999Us = IntervalPercentile(histogram, 0.999);
    summary->maxUs = histogram.maxUs;
}
