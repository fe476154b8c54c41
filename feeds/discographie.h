// Discographie: the discography model — the index of releases (albums, maxis, compilations),
// each release's track list and its cover, with their cache files.
//
// Threads: the lists are published under the model's mutex once a load is complete; the
// accessors return copies of the lists of shared, immutable records, so a screen reading on the
// interface thread never sees a list being rebuilt by a load on a worker thread. Loading tracks
// or covers builds new records and publishes them together at the end. Exchanges with the
// server take the delegate's request lock for each single exchange; cover downloads use a
// client of their own and take no lock.
#pragma once

#include <array>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "feeds/disque_description.h"

namespace zephrun {

class FeedDelegate;

class Discographie {
  public:
    using List = std::vector<std::shared_ptr<const DisqueDescription>>;
    // Kinds of release, `currentTypeOfDisque`.
    enum Kind { kAlbum = 1, kMaxi = 2, kCompil = 3 };

    // `initWithAppDelegate:`: loads the index cache, or the shipped copy (then written to the
    // cache). The delegate must outlive the model.
    explicit Discographie(FeedDelegate& appDelegate);
    Discographie(const Discographie&) = delete;
    Discographie& operator=(const Discographie&) = delete;

    // Replaces the three lists by the releases of an index document; false when given none
    // (the lists are then dropped).
    bool loadDiscographie(const std::optional<std::string>& bytes);
    // Fetches the index. On success: cache replaced, "_NumVersionDiscographie" stored, the
    // track-list files of the new releases deleted. On failure the cached index is kept.
    // Returns isRefresh().
    bool refreshDiscographie();
    // Track lists of every release (from their files unless `force`, from the server otherwise
    // or when the file fails), then the covers. Returns the number of network loads that failed.
    int loadDisque(bool force);
    // Track list of `disque` from its file or the shipped copy; true on success.
    bool loadDisqueByFile(DisqueDescription& disque);
    // Track list of `disque` from the server (`type`: kind 1/2/3); true on success. The release
    // keeps an empty list on failure.
    bool loadDisqueByNetwork(DisqueDescription& disque, int type);
    // The track-list file of a title: "_PathDisqueFile" + title (blanks and '/' as '_') + ".xml";
    // "" when no prefix is stored.
    std::string getPathForTitle(const std::string& title);
    // Covers of every release with a cover address: from the image directory, the shipped copy,
    // or the image-resize service.
    void loadPochette();

    std::optional<List> listAlbum() const;
    std::optional<List> listMaxi() const;
    std::optional<List> listCompil() const;
    bool isRefresh() const;

  private:
    using Lists = std::array<std::optional<List>, 3>;
    using WorkLists = std::array<std::optional<std::vector<std::shared_ptr<DisqueDescription>>>, 3>;

    static Lists parseIndex(const std::string& bytes);
    void publish(Lists lists, bool newIndex);
    bool publishIfCurrent(const WorkLists& work, unsigned generation);
    WorkLists workingCopy(unsigned& generation) const;
    void loadCovers(WorkLists& work);
    void reloadCache();

    FeedDelegate& appDelegate_;
    mutable std::mutex mutex_;
    Lists lists_;
    unsigned generation_ = 0; // counts index loads, so a track load never publishes a stale index
    bool isRefresh_ = false;
};

} // namespace zephrun
