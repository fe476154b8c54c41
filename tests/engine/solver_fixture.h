// In-memory packages for the solver tests: nodes, options, relations and conditions laid out the
// way the loader and its validation leave them, without going through a file.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "mixcalc.h"
#include "package.h"

namespace solvertest {

struct RelSpec {
    int32_t other = 0;
    int32_t priority = 0;
    int32_t flags = 0;
    std::vector<uint8_t> cells; // (options of other + 1) x (options of owner), row-major
    std::vector<int32_t> condOptions;
};

struct NodeSpec {
    std::vector<int32_t> weights;
    std::vector<int32_t> unavailable; // option indexes within the node whose clip is unavailable
    std::vector<int32_t> condOptions;
    std::vector<RelSpec> rels;
};

class Pkg {
  public:
    Pkg() : mix_(std::make_unique<mx::MixState>()) { p.mix = mix_.get(); }
    ~Pkg() { mx::mxcFree(&p); }
    Pkg(const Pkg&) = delete;
    Pkg& operator=(const Pkg&) = delete;

    // A node with one option per weight; returns its index.
    int32_t node(std::vector<int32_t> weights) {
        specs_.push_back(NodeSpec{std::move(weights), {}, {}, {}});
        first_.push_back(nextOption_);
        nextOption_ += static_cast<int32_t>(specs_.back().weights.size());
        return static_cast<int32_t>(specs_.size()) - 1;
    }
    // Global option index of option k of node n.
    int32_t opt(int32_t n, int32_t k) const { return first_[n] + k; }
    NodeSpec& spec(int32_t n) { return specs_[n]; }

    // Relation owned by `owner`; every cell starts at `fill`. Returns its index within the owner.
    int32_t relation(int32_t owner, int32_t other, int32_t priority, uint8_t fill = 128,
                     int32_t flags = 0) {
        RelSpec r;
        r.other = other;
        r.priority = priority;
        r.flags = flags;
        size_t rows = specs_[other].weights.size() + 1;
        r.cells.assign(rows * specs_[owner].weights.size(), fill);
        specs_[owner].rels.push_back(r);
        return static_cast<int32_t>(specs_[owner].rels.size()) - 1;
    }
    // Sets the cell for the other node's option index `row` (its option count = none) and the
    // owner's option index `col`.
    void cell(int32_t owner, int32_t rel, int32_t row, int32_t col, uint8_t value) {
        specs_[owner].rels[rel].cells[row * specs_[owner].weights.size() + col] = value;
    }
    // A relation placed after every node's range (no owner).
    void orphanRelation(int32_t other, int32_t priority) { orphans_.push_back({other, priority}); }
    // Global relation index, valid after build().
    int32_t rel(int32_t owner, int32_t k) const { return relFirst_[owner] + k; }

    // Lays the tables out, sets owners and indexes as validation would, allocates the solver
    // buffers and computes the order. Returns mxcPrecalc's result (or -1 on allocation failure).
    int build(int32_t presets = 0, int32_t skins = 0) {
        std::vector<uint8_t> blob;
        for (size_t n = 0; n < specs_.size(); ++n) {
            NodeSpec& s = specs_[n];
            mx::Node node{};
            node.optionFirst = static_cast<int32_t>(options.size());
            node.optionCount = static_cast<int32_t>(s.weights.size());
            for (size_t k = 0; k < s.weights.size(); ++k) {
                mx::Option o{};
                o.clip = -1;
                for (int32_t u : s.unavailable)
                    if (u == static_cast<int32_t>(k)) {
                        mx::Clip c{};
                        c.flags = mx::kClipUnavailable;
                        o.clip = static_cast<int32_t>(clips.size());
                        clips.push_back(c);
                    }
                o.name = -1;
                o.weight = s.weights[k] == 0 ? 256 : s.weights[k];
                o.index = static_cast<int32_t>(k);
                o.owner = static_cast<int32_t>(n);
                options.push_back(o);
            }
            node.condFirst = static_cast<int32_t>(conditions.size());
            node.condCount = static_cast<int32_t>(s.condOptions.size());
            for (int32_t c : s.condOptions) conditions.push_back({0, c});
            relFirst_.push_back(static_cast<int32_t>(relations.size()));
            node.relationFirst = static_cast<int32_t>(relations.size());
            node.relationCount = static_cast<int32_t>(s.rels.size());
            for (RelSpec& r : s.rels) {
                mx::Relation rel{};
                rel.flags = r.flags;
                rel.other = r.other;
                rel.priority = r.priority;
                rel.matrixOffset = static_cast<int32_t>(blob.size());
                blob.insert(blob.end(), r.cells.begin(), r.cells.end());
                rel.name = -1;
                rel.owner = static_cast<int32_t>(n);
                relations.push_back(rel);
            }
            node.name = -1;
            nodes.push_back(node);
        }
        // Relation conditions after the nodes' own, so node ranges stay contiguous.
        for (size_t n = 0; n < specs_.size(); ++n)
            for (size_t k = 0; k < specs_[n].rels.size(); ++k) {
                mx::Relation& rel = relations[relFirst_[n] + k];
                rel.condFirst = static_cast<int32_t>(conditions.size());
                rel.condCount = static_cast<int32_t>(specs_[n].rels[k].condOptions.size());
                for (int32_t c : specs_[n].rels[k].condOptions) conditions.push_back({0, c});
            }
        for (auto [other, priority] : orphans_) {
            mx::Relation rel{};
            rel.other = other;
            rel.priority = priority;
            rel.owner = -1;
            relations.push_back(rel);
        }
        affinity = blob;
        presetTable.resize(presets);
        skinTable.resize(skins);
        wire();
        if (mx::mxcAlloc(&p) != 0) return -1;
        return mx::mxcPrecalc(&p);
    }

    // Points the package at the vectors (again, after a test edits or grows them).
    void wire() {
        p.nodes = {static_cast<int32_t>(nodes.size()), nodes.data()};
        p.options = {static_cast<int32_t>(options.size()), options.data()};
        p.relations = {static_cast<int32_t>(relations.size()), relations.data()};
        p.conditions = {static_cast<int32_t>(conditions.size()), conditions.data()};
        p.clips = {static_cast<int32_t>(clips.size()), clips.data()};
        p.tracks = {static_cast<int32_t>(tracks.size()), tracks.data()};
        p.presets = {static_cast<int32_t>(presetTable.size()), presetTable.data()};
        p.skins = {static_cast<int32_t>(skinTable.size()), skinTable.data()};
        p.affinity = {static_cast<int32_t>(affinity.size()), affinity.data()};
    }

    // One decision as the renderer runs it.
    int decide() {
        mx::mxcSolveInit(&p);
        mx::_constrBuild(&p);
        return mx::mxcSolveProcess(&p, 1);
    }
    // Option index within node n of its current solution, -1 for none.
    int32_t currentIndex(int32_t n) const {
        int32_t o = nodes[n].current;
        return o < 0 ? -1 : o - first_[n];
    }
    int32_t triedIndex(int32_t n) const {
        int32_t o = nodes[n].tried;
        return o < 0 ? -1 : o - first_[n];
    }
    mx::SolverState& solver() { return p.mix->solver; }

    mxp4_package p{};
    std::vector<mx::Node> nodes;
    std::vector<mx::Option> options;
    std::vector<mx::Relation> relations;
    std::vector<mx::Condition> conditions;
    std::vector<mx::Clip> clips;
    std::vector<mx::AudioTrack> tracks;
    std::vector<mx::Preset> presetTable;
    std::vector<mx::Skin> skinTable;
    std::vector<uint8_t> affinity;

  private:
    std::unique_ptr<mx::MixState> mix_;
    std::vector<NodeSpec> specs_;
    std::vector<int32_t> first_;
    std::vector<int32_t> relFirst_;
    std::vector<std::pair<int32_t, int32_t>> orphans_;
    int32_t nextOption_ = 0;
};

} // namespace solvertest
