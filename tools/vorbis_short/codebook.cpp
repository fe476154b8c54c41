// Vorbis codebooks: lengths, code words and header serialisation.
#include "codebook.h"

#include <algorithm>
#include <cmath>
#include <queue>

namespace vshort {

namespace {

constexpr int kMaxCodeLength = 24;

uint32_t reverseBits(uint32_t v, int n) {
    uint32_t r = 0;
    for (int i = 0; i < n; ++i) r |= ((v >> i) & 1u) << (n - 1 - i);
    return r;
}

// Binary trie of the code words handed out so far; `full` marks subtrees with no free leaf.
struct CodeTrie {
    struct Node {
        int child[2] = {-1, -1};
        bool used = false; // a code word ends here or below
        bool full = false;
    };
    std::vector<Node> nodes{Node{}};

    int child(int n, int b) {
        if (nodes[static_cast<size_t>(n)].child[b] < 0) {
            nodes.push_back(Node{});
            nodes[static_cast<size_t>(n)].child[b] = static_cast<int>(nodes.size()) - 1;
        }
        return nodes[static_cast<size_t>(n)].child[b];
    }

    // Leftmost free node at depth `len` below `n`; its path is returned in `code`.
    bool take(int n, int depth, int len, uint32_t& code) {
        if (nodes[static_cast<size_t>(n)].full) return false;
        if (depth == len) {
            if (nodes[static_cast<size_t>(n)].used) return false;
            nodes[static_cast<size_t>(n)].used = nodes[static_cast<size_t>(n)].full = true;
            return true;
        }
        for (int b = 0; b < 2; ++b) {
            int c = child(n, b);
            if (take(c, depth + 1, len, code)) {
                code |= static_cast<uint32_t>(b) << (len - 1 - depth);
                Node& node = nodes[static_cast<size_t>(n)];
                node.used = true;
                node.full = nodes[static_cast<size_t>(node.child[0])].full && node.child[1] >= 0 &&
                            nodes[static_cast<size_t>(node.child[1])].full;
                return true;
            }
        }
        return false;
    }
};

} // namespace

std::vector<uint32_t> assignCodewords(const std::vector<uint8_t>& lengths) {
    CodeTrie trie;
    std::vector<uint32_t> codes(lengths.size());
    for (size_t i = 0; i < lengths.size(); ++i) {
        uint32_t code = 0;
        if (lengths[i] == 0) continue; // unused entry of a sparse book
        if (lengths[i] > 32 || !trie.take(0, 0, lengths[i], code)) return {};
        codes[i] = code;
    }
    if (!trie.nodes[0].full) return {}; // decoders reject incomplete trees
    return codes;
}

std::vector<uint8_t> huffmanLengths(const std::vector<uint64_t>& counts, int maxLength) {
    std::vector<uint64_t> w(counts);
    for (auto& c : w) c = std::max<uint64_t>(c, 1);
    const size_t n = w.size();
    for (;;) {
        // Nodes 0..n-1 are leaves; parents follow. Ties broken by index keep it deterministic.
        using Item = std::pair<uint64_t, size_t>;
        std::priority_queue<Item, std::vector<Item>, std::greater<Item>> q;
        std::vector<size_t> parent(2 * n, 0);
        for (size_t i = 0; i < n; ++i) q.push({w[i], i});
        size_t next = n;
        while (q.size() > 1) {
            Item a = q.top();
            q.pop();
            Item b = q.top();
            q.pop();
            parent[a.second] = parent[b.second] = next;
            q.push({a.first + b.first, next++});
        }
        const size_t root = next - 1;
        std::vector<uint8_t> lengths(n);
        bool fits = true;
        for (size_t i = 0; i < n; ++i) {
            int d = 0;
            for (size_t j = i; j != root; j = parent[j]) ++d;
            if (d > maxLength) fits = false;
            lengths[i] = static_cast<uint8_t>(d);
        }
        if (fits) return lengths;
        for (auto& c : w) c = c / 2 + 1; // flatten the distribution until the depth fits
    }
}

uint32_t packFloat(double v) {
    uint32_t sign = 0;
    if (v < 0) {
        sign = 0x80000000u;
        v = -v;
    }
    if (v == 0) return 0;
    int exp = 0;
    double m = std::frexp(v, &exp); // v = m * 2^exp, m in [0.5, 1)
    auto mant = static_cast<uint32_t>(std::lround(std::ldexp(m, 21)));
    exp -= 21;
    if (mant >= (1u << 21)) { // rounding carried into bit 21
        mant >>= 1;
        ++exp;
    }
    return sign | (static_cast<uint32_t>(exp + 788) << 21) | mant;
}

Codebook Codebook::scalar(int entries, int dim) {
    Codebook b;
    b.dim_ = dim;
    b.lengths_.assign(static_cast<size_t>(entries), 0);
    b.fitLengths(std::vector<uint64_t>(static_cast<size_t>(entries), 1));
    return b;
}

Codebook Codebook::lattice(int dim, int values, int step) {
    Codebook b;
    b.dim_ = dim;
    b.values_ = values;
    b.step_ = step;
    int entries = 1;
    for (int i = 0; i < dim; ++i) entries *= values;
    b.lengths_.assign(static_cast<size_t>(entries), 0);
    b.fitLengths(std::vector<uint64_t>(static_cast<size_t>(entries), 1));
    return b;
}

int Codebook::latticeEntry(const int* q) const {
    int entry = 0;
    for (int j = dim_ - 1; j >= 0; --j) entry = entry * values_ + (q[j] + maxIndex());
    return entry;
}

void Codebook::fitLengths(const std::vector<uint64_t>& counts) {
    std::vector<size_t> used;
    for (size_t i = 0; i < counts.size(); ++i)
        if (counts[i] > 0) used.push_back(i);
    // Entries the stream never sends get no code word (a sparse book): a smaller header and no
    // code space spent on them. Below two used entries there is no Huffman tree to build, so
    // every entry keeps one.
    sparse_ = used.size() >= 2 && used.size() < counts.size();
    if (sparse_) {
        std::vector<uint64_t> usedCounts;
        usedCounts.reserve(used.size());
        for (size_t i : used) usedCounts.push_back(counts[i]);
        const std::vector<uint8_t> usedLengths = huffmanLengths(usedCounts, kMaxCodeLength);
        lengths_.assign(counts.size(), 0);
        for (size_t k = 0; k < used.size(); ++k) lengths_[used[k]] = usedLengths[k];
    } else {
        lengths_ = huffmanLengths(counts, kMaxCodeLength);
    }
    std::vector<uint32_t> words = assignCodewords(lengths_);
    codes_.assign(lengths_.size(), 0);
    for (size_t i = 0; i < words.size(); ++i) codes_[i] = reverseBits(words[i], lengths_[i]);
}

uint64_t Codebook::bits(const std::vector<uint64_t>& counts) const {
    uint64_t total = 0;
    for (size_t i = 0; i < counts.size() && i < lengths_.size(); ++i)
        total += counts[i] * lengths_[i];
    return total;
}

void Codebook::writeHeader(BitWriter& w) const {
    w.write(0x564342, 24);
    w.write(static_cast<uint32_t>(dim_), 16);
    w.write(static_cast<uint32_t>(entries()), 24);
    w.write(0, 1); // not ordered
    w.write(sparse_ ? 1 : 0, 1);
    for (uint8_t len : lengths_) {
        if (sparse_) w.write(len > 0 ? 1 : 0, 1);
        if (len > 0) w.write(len - 1u, 5);
    }
    if (values_ == 0) {
        w.write(0, 4);
        return;
    }
    w.write(1, 4); // lattice: value = minimum + multiplicand * delta
    w.write(packFloat(-static_cast<double>(maxIndex()) * step_), 32);
    w.write(packFloat(step_), 32);
    const int bits = std::max(1, ilog(static_cast<uint32_t>(values_ - 1)));
    w.write(static_cast<uint32_t>(bits - 1), 4);
    w.write(0, 1); // no sequence accumulation
    for (int i = 0; i < values_; ++i) w.write(static_cast<uint32_t>(i), bits);
}

} // namespace vshort
