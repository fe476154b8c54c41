// Discographie: index, track lists and covers of the discography.
#include "feeds/discographie.h"

#include "client/kt_webtools.h"
#include "client/xml_reader.h"
#include "feeds/disque_parser.h"
#include "feeds/feed_delegate.h"
#include "feeds/feed_exchange.h"
#include "feeds/feed_keys.h"
#include "platform/atomic_file.h"

#include <cstring>
#include <filesystem>
#include <system_error>

namespace zephrun {
namespace {

namespace fs = std::filesystem;

constexpr const char* kKindElements[] = {"album", "maxi", "compil"};
constexpr const char* kKindRequestIds[] = {"id_wr_disco_album", "id_wr_disco_maxi",
                                           "id_wr_disco_compil"};

int kindOf(const char* name) {
    for (int k = 0; k < 3; ++k)
        if (std::strcmp(name, kKindElements[k]) == 0) return k + 1;
    return -1;
}

// The last component of a path or address, trailing '/' ignored ("http://h/a/b.jpg" -> "b.jpg").
std::string lastPathComponent(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    size_t slash = path.rfind('/');
    if (slash == std::string_view::npos || path.size() == 1) return std::string(path);
    return std::string(path.substr(slash + 1));
}

// A cover file name that stays inside the image directory.
bool storableName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name != "/";
}

Picture defaultPochette() {
    return {std::string(kDefaultPochette), nullptr};
}

} // namespace

Discographie::Discographie(FeedDelegate& appDelegate) : appDelegate_(appDelegate) {
    loadDiscographie(readCacheOrPackageCopy(appDelegate_.storedString(keys::kPathDiscoFile),
                                            appDelegate_.packageCopy("ZephrunDisco.xml")));
}

Discographie::Lists Discographie::parseIndex(const std::string& bytes) {
    Lists lists;
    std::shared_ptr<DisqueDescription> current;
    std::optional<std::string> buffer;
    int currentTypeOfDisque = -1;

    kt::XmlEvents events;
    events.startElement = [&](const char* name, const char** attributes) {
        int kind = kindOf(name);
        if (kind > 0) {
            currentTypeOfDisque = kind;
            current = std::make_shared<DisqueDescription>(
                cleanSpaces(attribute(attributes, "total").value_or("")));
        } else if (std::strcmp(name, "titre") == 0 || std::strcmp(name, "pochette") == 0) {
            buffer.emplace();
        }
    };
    events.characters = [&](std::string_view text) {
        if (buffer) buffer->append(text);
    };
    events.endElement = [&](const char* name) {
        bool titre = std::strcmp(name, "titre") == 0;
        bool pochette = std::strcmp(name, "pochette") == 0;
        if (current && buffer && titre)
            current->dTitle = replaceAll(cleanSpaces(*buffer), "+", " ");
        if (current && buffer && pochette) current->dURLPochette = cleanSpaces(*buffer);
        if (titre || pochette) buffer.reset();
        if (kindOf(name) > 0 && current && currentTypeOfDisque > 0) {
            auto& list = lists[currentTypeOfDisque - 1];
            if (!list) list.emplace();
            list->push_back(std::move(current));
            current.reset();
        }
    };
    kt::parseXml(bytes, events);
    return lists;
}

bool Discographie::loadDiscographie(const std::optional<std::string>& bytes) {
    publish(bytes ? parseIndex(*bytes) : Lists{}, true);
    return bytes.has_value();
}

void Discographie::publish(Lists lists, bool newIndex) {
    std::lock_guard lock(mutex_);
    lists_ = std::move(lists);
    if (newIndex) ++generation_;
}

void Discographie::reloadCache() {
    const std::string path = appDelegate_.storedString(keys::kPathDiscoFile);
    std::error_code ec;
    if (fs::exists(path, ec)) loadDiscographie(zplatform::readWholeFile(path));
}

bool Discographie::refreshDiscographie() {
    const std::int32_t id = appDelegate_.configInteger("id_wr_disco");
    bool ok = false;
    {
        RequestLock requestLock(appDelegate_);
        try {
            FeedQuery query;
            query.webRequestId = id;
            std::optional<std::string> reply = sendFeedRequest(appDelegate_, query);
            if (!reply) {
                reloadCache();
            } else if (auto doc = cutXmlpipe(removeAll(*reply, "\n"), std::to_string(id))) {
                Lists lists = parseIndex(*doc);
                publish(lists, true);
                // The version is only recorded with the index it belongs to, so a cache that
                // could not be written is fetched again at the next launch.
                if (replaceCache(appDelegate_.storedString(keys::kPathDiscoFile), *doc))
                    appDelegate_.storeString(keys::kNumVersionDiscographie,
                                             appDelegate_.num_version_discographie().value_or(""));
                ok = true;
                for (const auto& list : lists) {
                    if (!list) continue;
                    for (const auto& disque : *list) {
                        std::error_code ec;
                        fs::remove(getPathForTitle(disque->dTitle), ec);
                    }
                }
            }
            // A reply without the markers leaves the list and the cache as they were.
        } catch (const std::exception&) {
            ok = false;
        }
    }
    std::lock_guard lock(mutex_);
    isRefresh_ = ok;
    return ok;
}

std::string Discographie::getPathForTitle(const std::string& title) {
    const std::string prefix = appDelegate_.storedString(keys::kPathDisqueFile);
    if (prefix.empty()) return {}; // no documents directory: never the working directory
    return prefix + replaceAll(replaceAll(title, " ", "_"), "/", "_") + ".xml";
}

bool Discographie::loadDisqueByFile(DisqueDescription& disque) {
    const std::string path = getPathForTitle(disque.dTitle);
    if (path.empty()) return false;
    auto bytes = readCacheOrPackageCopy(path, appDelegate_.packageCopy(lastPathComponent(path)));
    if (!bytes) return false;
    disque.listTracks.emplace();
    DisqueParser().loadDisque(bytes, *disque.listTracks);
    return true;
}

bool Discographie::loadDisqueByNetwork(DisqueDescription& disque, int type) {
    if (type < kAlbum || type > kCompil) return false;
    const std::int32_t id = appDelegate_.configInteger(kKindRequestIds[type - 1]);
    RequestLock requestLock(appDelegate_);
    try {
        FeedQuery query{id, {"name"}, {disque.dTitle}};
        std::optional<std::string> reply = sendFeedRequest(appDelegate_, query);
        std::optional<std::string> doc;
        if (reply) doc = cutXmlpipe(removeAll(*reply, "\n"), std::to_string(id));
        disque.listTracks.emplace();
        if (!doc) return false;
        DisqueParser().loadDisque(doc, *disque.listTracks);
        replaceCache(getPathForTitle(disque.dTitle), *doc);
        return true;
    } catch (const std::exception&) {
        disque.listTracks.emplace();
        return false;
    }
}

Discographie::WorkLists Discographie::workingCopy(unsigned& generation) const {
    std::lock_guard lock(mutex_);
    generation = generation_;
    WorkLists work;
    for (size_t k = 0; k < 3; ++k) {
        if (!lists_[k]) continue;
        work[k].emplace();
        for (const auto& disque : *lists_[k])
            work[k]->push_back(std::make_shared<DisqueDescription>(*disque));
    }
    return work;
}

bool Discographie::publishIfCurrent(const WorkLists& work, unsigned generation) {
    Lists lists;
    for (size_t k = 0; k < 3; ++k)
        if (work[k]) lists[k].emplace(work[k]->begin(), work[k]->end());
    std::lock_guard lock(mutex_);
    if (generation != generation_) return false; // a newer index was loaded meanwhile
    lists_ = std::move(lists);
    return true;
}

int Discographie::loadDisque(bool force) {
    unsigned generation = 0;
    WorkLists work = workingCopy(generation);
    int failures = 0;
    for (int kind = kAlbum; kind <= kCompil; ++kind) {
        if (!work[kind - 1]) continue;
        for (auto& disque : *work[kind - 1]) {
            if (!force && loadDisqueByFile(*disque)) continue;
            if (!loadDisqueByNetwork(*disque, kind)) ++failures;
        }
    }
    loadCovers(work);
    publishIfCurrent(work, generation);
    return failures;
}

void Discographie::loadPochette() {
    unsigned generation = 0;
    WorkLists work = workingCopy(generation);
    loadCovers(work);
    publishIfCurrent(work, generation);
}

void Discographie::loadCovers(WorkLists& work) {
    const std::string dir = appDelegate_.storedString(keys::kPathImage);
    std::error_code ec;
    if (!dir.empty()) fs::create_directories(dir, ec);
    const std::optional<std::string> resize = appDelegate_.url_resize_image();
    std::unique_ptr<kt::KT_webtools> client;

    for (auto& list : work) {
        if (!list) continue;
        for (auto& disque : *list) {
            if (disque->dURLPochette.empty()) continue;
            const std::string name = lastPathComponent(disque->dURLPochette);
            const bool storable = !dir.empty() && storableName(name);
            const std::string file = dir + "/" + name;
            if (storable && !fs::exists(file, ec)) {
                if (auto shipped = zplatform::readWholeFile(appDelegate_.packageCopy(name)))
                    zplatform::writeFileAtomically(file, *shipped);
            }
            if (storable && fs::exists(file, ec)) {
                // A file that does not hold a picture is fetched again and replaced.
                if (auto bytes = zplatform::readWholeFile(file)) {
                    if (auto image = kt::imageFromData(*bytes)) {
                        disque->dPochette = {{}, std::make_shared<kt::KT_Image>(std::move(*image))};
                        continue;
                    }
                }
            }
            disque->dPochette = defaultPochette();
            if (!resize) continue;
            if (!client) client = appDelegate_.newWebtools();
            client->KT_clear();
            client->KT_setURL(*resize + "url=" + disque->dURLPochette + "&f=0&w=120&r=1");
            client->KT_setTimeout(15);
            client->KT_sendWithResponseNow();
            std::optional<std::string> reply = client->KT_getResponse();
            std::optional<kt::KT_Image> image;
            if (reply) image = kt::imageFromData(*reply);
            // 1 x 1 is the service's "no picture"; bytes that are no picture are not kept either.
            if (!image || (image->width == 1 && image->height == 1)) continue;
            if (storable) zplatform::writeFileAtomically(file, *reply);
            disque->dPochette = {{}, std::make_shared<kt::KT_Image>(std::move(*image))};
        }
    }
}

std::optional<Discographie::List> Discographie::listAlbum() const {
    std::lock_guard lock(mutex_);
    return lists_[0];
}
std::optional<Discographie::List> Discographie::listMaxi() const {
    std::lock_guard lock(mutex_);
    return lists_[1];
}
std::optional<Discographie::List> Discographie::listCompil() const {
    std::lock_guard lock(mutex_);
    return lists_[2];
}
bool Discographie::isRefresh() const {
    std::lock_guard lock(mutex_);
    return isRefresh_;
}

} // namespace zephrun
