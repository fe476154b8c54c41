// The demo content of the reference server as records: news, tweets, releases, videos, concerts,
// album photos, members and radio shows. Everything is built from fixed tables and a fixed seed,
// so two runs give the same content.
#pragma once

#include <string>
#include <vector>

namespace mkcontent {

// "@SERVER@" stands for the server's base address in every address below.
inline constexpr const char* kServer = "@SERVER@";

struct NewsItem {
    std::string title, date, html; // html: the description's markup, not yet escaped
};

struct Tweet {
    std::string date, text;
};

struct Track {
    std::string title, artist, duration; // "3:45"
    std::string preview;                 // media path of the preview, "" for none
    std::string store;                   // store address, "" for none
};

enum class ReleaseKind { Album = 1, Maxi = 2, Compil = 3 };

struct Release {
    ReleaseKind kind;
    std::string title; // with spaces; sent with "+" for each space
    std::string year;
    std::string cover; // media path of the cover
    std::vector<Track> tracks;
};

struct Video {
    std::string url, thumbnail, title; // url: the video's page; thumbnail: media path
    std::string clip;                  // media path of its clip (WebM)
    unsigned seed = 0;                 // of the clip's pictures and sound
    int length = 0, note = 0, views = 0;
};

struct Concert {
    std::string id, title, date, address;
    double latitude = 0, longitude = 0;
};

struct AlbumPhoto {
    std::string concert, picture, author, comment, date; // picture: media path
    bool portrait = false;
};

struct Member {
    std::string login, sexe;
    double latitude = 0, longitude = 0;
    // A member with an account on the site: profile and the stored form of the password.
    std::string firstName, lastName, age, country, passwordHash;
};

// The demo account of the site ("demo" / "zephrun"), whose password is kept hashed only.
inline constexpr const char* kDemoLogin = "demo";

struct ShowLive {
    int id = 0;
    std::string date, title;
    std::vector<std::string> lines;
};

// A picture the media step draws: its media path, size and the seed of its pattern.
struct Picture {
    std::string path;
    int width = 0, height = 0;
    unsigned seed = 0;
};

// A preview the media step renders: its media path and the layers it mixes.
struct Preview {
    std::string path;
    std::string style;   // demo synthesizer style ("rock", "dub", ...)
    unsigned layers = 0; // bit 0 drums, 1 bass, 2 keys, 3 lead, 4 pad
};

struct DemoContent {
    std::vector<NewsItem> newsFR, newsEN;
    std::vector<Tweet> tweets;
    std::vector<Release> releases;
    std::vector<Video> videos;
    std::vector<Concert> pastConcerts, futureConcerts;
    std::vector<AlbumPhoto> photos;
    std::vector<Member> members;
    std::vector<ShowLive> shows;
    std::vector<Picture> pictures;
    std::vector<Preview> previews;
};

DemoContent buildDemoContent();

// "Ciel de Verre" -> "ciel_de_verre": lower-case ASCII letters and digits, "_" between words.
std::string slug(const std::string& text);

} // namespace mkcontent
