#pragma once
// A time chart of any length in constant memory: the lowest and highest code of each stretch of
// samples, the stretches doubling in length whenever the buckets fill.
#include <cstdint>
#include <vector>

namespace vek {

class MinMaxTrace {
public:
    static constexpr int kBuckets = 1024;

    void Add(int32_t code);
    int64_t SamplesPerBucket() const { return m_span; }
    // Finished buckets and the one being filled, oldest first.
    struct Bucket {
        int64_t firstSample = 0;
        int32_t lowest = 0, highest = 0;
    };
    std::vector<Bucket> Buckets() const;

private:
    std::vector<Bucket> m_done;
    Bucket m_open;
    int64_t m_inOpen = 0;
    int64_t m_span = 1;
    int64_t m_count = 0;
};

} // namespace vek
