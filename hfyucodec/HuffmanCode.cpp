#include "hfyucodec/HuffmanCode.h"

#include <algorithm>
#include <cmath>
#include <queue>
#include <vector>

namespace hfyu {
namespace {

struct Node {
    uint64_t weight = 0;
    int left = -1;
    int right = -1;
};

// Plain Huffman lengths (the depth of each leaf) for weights all above zero.
CodeLengths HuffmanDepths(const std::array<uint64_t, kSymbols>& weights) {
    std::vector<Node> nodes(kSymbols);
    using Entry = std::pair<uint64_t, int>;
    std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> queue;
    for (int i = 0; i < kSymbols; ++i) {
        nodes[i].weight = weights[i];
        queue.push({weights[i], i});
    }
    while (queue.size() > 1) {
        const Entry a = queue.top();
        queue.pop();
        const Entry b = queue.top();
        queue.pop();
        nodes.push_back({a.first + b.first, a.second, b.second});
        queue.push({a.first + b.first, static_cast<int>(nodes.size()) - 1});
    }
    CodeLengths lengths{};
    std::vector<std::pair<int, int>> stack{{queue.top().second, 0}};
    while (!stack.empty()) {
        const auto [index, depth] = stack.back();
        stack.pop_back();
        if (index < kSymbols) {
            lengths[index] = static_cast<uint8_t>(depth);
        } else {
            stack.push_back({nodes[index].left, depth + 1});
            stack.push_back({nodes[index].right, depth + 1});
        }
    }
    return lengths;
}

} // namespace

CodeLengths FitLengths(const SymbolCounts& counts, int maxBits) {
    // Halving the weights (each kept above zero) flattens the tree until it
    // fits: a few hundredths of a bit per symbol against an optimal limit.
    std::array<uint64_t, kSymbols> weights{};
    for (int i = 0; i < kSymbols; ++i) {
        weights[i] = static_cast<uint64_t>(counts[i]) + 1;
    }
    for (;;) {
        const CodeLengths lengths = HuffmanDepths(weights);
        if (MaxLength(lengths) <= maxBits) {
            return lengths;
        }
        for (auto& weight : weights) {
            weight = (weight >> 1) + 1;
        }
    }
}

CodeLengths ModelLengths(double scale) {
    SymbolCounts counts{};
    for (int i = 0; i < kSymbols; ++i) {
        const int residual = i < 128 ? i : i - 256;
        counts[i] = static_cast<uint32_t>(1e6 * std::exp(-std::abs(residual) / scale));
    }
    return FitLengths(counts);
}

bool MakeCodes(const CodeLengths& lengths, std::array<uint32_t, kSymbols>& codes) {
    uint64_t code = 0;
    for (int length = 32; length > 0; --length) {
        for (int i = 0; i < kSymbols; ++i) {
            if (lengths[i] == length) {
                codes[i] = static_cast<uint32_t>(code++);
            }
        }
        // A complete code leaves an even count at every level.
        if ((code & 1) != 0) {
            return false;
        }
        code >>= 1;
    }
    // Everything folds into the root: exactly one code of length 0 is left.
    return code == 1 &&
           std::none_of(lengths.begin(), lengths.end(), [](uint8_t length) { return length == 0; });
}

size_t StoreLengths(const CodeLengths& lengths, uint8_t* out) {
    size_t used = 0;
    for (int i = 0; i < kSymbols;) {
        const uint8_t length = lengths[i];
        int run = 0;
        while (i < kSymbols && lengths[i] == length && run < 255) {
            ++i;
            ++run;
        }
        if (run > 7) {
            out[used++] = length;
            out[used++] = static_cast<uint8_t>(run);
        } else {
            out[used++] = static_cast<uint8_t>(length | run << 5);
        }
    }
    return used;
}

size_t ReadLengths(const uint8_t* in, size_t size, CodeLengths& lengths) {
    size_t used = 0;
    for (int i = 0; i < kSymbols;) {
        if (used >= size) {
            return 0;
        }
        const uint8_t length = in[used] & 31;
        int run = in[used++] >> 5;
        if (run == 0) {
            if (used >= size) {
                return 0;
            }
            run = in[used++];
        }
        if (run == 0 || i + run > kSymbols) {
            return 0;
        }
        std::fill_n(lengths.begin() + i, run, length);
        i += run;
    }
    return used;
}

int MaxLength(const CodeLengths& lengths) {
    return *std::max_element(lengths.begin(), lengths.end());
}

} // namespace hfyu
