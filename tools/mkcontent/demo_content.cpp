// The demo content tables and the rules that spread them into feeds of several pages.
#include "demo_content.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <utility>

#include "server/password_hash.h"

namespace mkcontent {
namespace {

std::string server(const std::string& path) {
    return std::string(kServer) + path;
}

// Deterministic pseudo-random numbers (xorshift32) for positions and counts.
class Dice {
  public:
    explicit Dice(unsigned seed) : s_(seed) {}
    unsigned next() {
        s_ ^= s_ << 13;
        s_ ^= s_ >> 17;
        s_ ^= s_ << 5;
        return s_;
    }
    double unit() { return (next() % 100000) / 100000.0; } // 0 .. 1
    int below(int n) { return static_cast<int>(next() % static_cast<unsigned>(n)); }

  private:
    unsigned s_;
};

// Civil date of a day count since 1970-01-01 (Howard Hinnant's algorithm).
void civil(long days, int& y, int& m, int& d) {
    days += 719468;
    long era = (days >= 0 ? days : days - 146096) / 146097;
    long doe = days - era * 146097;
    long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    long mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
}

long daysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    long era = (y >= 0 ? y : y - 399) / 400;
    long yoe = y - era * 400;
    long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

std::string isoDate(long days) {
    int y, m, d;
    civil(days, y, m, d);
    char b[16];
    std::snprintf(b, sizeof b, "%04d-%02d-%02d", y, m, d);
    return b;
}

std::string frenchDate(long days) {
    int y, m, d;
    civil(days, y, m, d);
    char b[16];
    std::snprintf(b, sizeof b, "%02d/%02d/%04d", d, m, y);
    return b;
}

std::string twoDigits(int n) {
    char b[8];
    std::snprintf(b, sizeof b, "%02d", n);
    return b;
}

const long kToday = daysFromCivil(2026, 12, 6);

struct Place {
    const char* city;
    double lat, lon;
};

// City centres, for members and news.
const Place kCities[] = {
    {"Paris", 48.8566, 2.3522},      {"Lyon", 45.7640, 4.8357},
    {"Marseille", 43.2965, 5.3698},  {"Toulouse", 43.6047, 1.4442},
    {"Nantes", 47.2184, -1.5536},    {"Bordeaux", 44.8378, -0.5792},
    {"Lille", 50.6292, 3.0573},      {"Strasbourg", 48.5734, 7.7521},
    {"Rennes", 48.1173, -1.6778},    {"Montpellier", 43.6108, 3.8767},
    {"Nice", 43.7102, 7.2620},       {"Grenoble", 45.1885, 5.7245},
    {"Dijon", 47.3220, 5.0415},      {"Clermont-Ferrand", 45.7772, 3.0870},
    {"Brest", 48.3904, -4.4861},     {"Bruxelles", 50.8503, 4.3517},
    {"Genève", 46.2044, 6.1432},     {"Lausanne", 46.5197, 6.6323},
    {"Luxembourg", 49.6116, 6.1319}, {"Londres", 51.5074, -0.1278},
    {"Barcelone", 41.3874, 2.1686},  {"Berlin", 52.5200, 13.4050},
    {"Amsterdam", 52.3676, 4.9041},  {"Montréal", 45.5019, -73.5674},
};

struct Venue {
    const char* name;
    const char* address;
    double lat, lon;
};

// Concert halls with their real positions.
const Venue kVenues[] = {
    {"L'Olympia", "28 boulevard des Capucines, 75009 Paris", 48.8702, 2.3283},
    {"Zénith de Paris", "211 avenue Jean Jaurès, 75019 Paris", 48.8938, 2.3931},
    {"Le Bataclan", "50 boulevard Voltaire, 75011 Paris", 48.8631, 2.3708},
    {"Halle Tony Garnier", "20 place des Docteurs Mérieux, 69007 Lyon", 45.7296, 4.8267},
    {"Le Transbordeur", "3 boulevard de Stalingrad, 69100 Villeurbanne", 45.7840, 4.8602},
    {"Le Dôme", "48 avenue de Saint-Just, 13004 Marseille", 43.3129, 5.3948},
    {"Zénith de Toulouse", "11 avenue Raymond Badiou, 31300 Toulouse", 43.5970, 1.4036},
    {"Zénith de Nantes", "boulevard du Zénith, 44800 Saint-Herblain", 47.2290, -1.6290},
    {"Le Rocher de Palmer", "1 rue Aristide Briand, 33150 Cenon", 44.8572, -0.5274},
    {"L'Aéronef", "168 avenue Willy Brandt, 59777 Lille", 50.6375, 3.0752},
    {"La Laiterie", "13 rue du Hohwald, 67000 Strasbourg", 48.5749, 7.7385},
    {"Le Liberté", "1 esplanade Charles de Gaulle, 35000 Rennes", 48.1036, -1.6727},
    {"Le Rockstore", "20 rue de Verdun, 34000 Montpellier", 43.6085, 3.8785},
    {"La Cooperative de Mai", "rue Serge Gainsbourg, 63100 Clermont-Ferrand", 45.7860, 3.1130},
    {"La Vapeur", "42 avenue de Stalingrad, 21000 Dijon", 47.3362, 5.0563},
    {"Ancienne Belgique", "110 boulevard Anspach, 1000 Bruxelles", 50.8482, 4.3485},
    {"Rockhal", "5 avenue du Rock'n'Roll, 4361 Esch-sur-Alzette", 49.5017, 5.9475},
    {"Les Docks", "avenue de Sévelin 34, 1004 Lausanne", 46.5180, 6.6196},
    {"Paradiso", "Weteringschans 6, 1017 SG Amsterdam", 52.3622, 4.8838},
    {"O2 Academy Brixton", "211 Stockwell Road, London SW9 9SL", 51.4651, -0.1150},
    {"Columbiahalle", "Columbiadamm 13, 10965 Berlin", 52.4843, 13.3874},
    {"Razzmatazz", "Carrer dels Almogàvers 122, 08018 Barcelona", 41.3977, 2.1910},
    {"Métropolis", "59 rue Sainte-Catherine Est, Montréal", 45.5107, -73.5636},
    {"Le Silo", "35 quai du Lazaret, 13002 Marseille", 43.3119, 5.3662},
};

struct Story {
    const char *titleFR, *titleEN, *bodyFR, *bodyEN, *boldFR, *boldEN;
};

// %s in a body is a city.
const Story kStories[] = {
    {"Nouvelle date à %s", "New date in %s",
     "Zephrun ajoute une soirée à %s pour la tournée d'hiver.",
     "Zephrun adds a night in %s to the winter tour.", "Billets en vente vendredi",
     "Tickets on sale Friday"},
    {"Le clip de Lignes de Fuite", "The Lignes de Fuite video",
     "Tourné de nuit sur les quais de %s, le nouveau clip est en ligne.",
     "Shot at night on the docks of %s, the new video is online.", "Regardez-le en entier",
     "Watch it in full"},
    {"Session acoustique à %s", "Acoustic session in %s",
     "Trois titres joués en petit comité, guitare et voix, à %s.",
     "Three songs played for a few friends, guitar and voice, in %s.", "Enregistrement inédit",
     "Previously unreleased recording"},
    {"La table de mix s'enrichit", "The mix table grows",
     "Deux nouvelles ambiances rejoignent la table de mix, enregistrées à %s.",
     "Two new moods join the mix table, recorded in %s.", "Mettez l'application à jour",
     "Update the application"},
    {"Retour en studio", "Back in the studio",
     "L'équipe s'installe à %s pour préparer le prochain album.",
     "The band settles in %s to prepare the next album.", "Premières maquettes en vue",
     "First demos ahead"},
    {"Concours photo", "Photo contest",
     "Envoyez vos photos du concert de %s avec le reporter de l'application.",
     "Send your pictures of the %s show with the application's reporter.",
     "Les plus belles seront exposées", "The best ones will be shown"},
    {"Interview radio", "Radio interview",
     "Zephrun revient sur dix ans de scène au micro d'une radio de %s.",
     "Zephrun looks back on ten years on stage on a %s radio.", "A réécouter ce soir",
     "Listen again tonight"},
    {"Merci %s !", "Thank you %s!", "Une salle comble et un rappel de vingt minutes : merci %s.",
     "A full house and a twenty-minute encore: thank you %s.", "Les photos arrivent",
     "Photos are coming"},
    {"Répétitions publiques", "Open rehearsals",
     "Une répétition ouverte aux membres du site aura lieu à %s.",
     "A rehearsal open to site members will take place in %s.", "Inscription obligatoire",
     "Registration required"},
    {"Le vinyle est arrivé", "The vinyl is here",
     "L'édition vinyle de Ciel de Verre est disponible chez les disquaires de %s.",
     "The vinyl edition of Ciel de Verre is in %s record shops.", "Tirage limité",
     "Limited edition"},
    {"Première partie annoncée", "Support act announced",
     "Un jeune groupe de %s ouvrira les concerts du mois prochain.",
     "A young band from %s will open next month's shows.", "A découvrir sur scène",
     "Catch them live"},
    {"Festival d'été", "Summer festival",
     "Zephrun jouera en tête d'affiche d'un festival près de %s.",
     "Zephrun will headline a festival near %s.", "Programme complet bientôt", "Full line-up soon"},
    {"Nouveau remix", "New remix", "Un producteur de %s signe un remix de Grand Large.",
     "A producer from %s remixes Grand Large.", "Disponible en écoute", "Available for listening"},
    {"Rencontre avec les fans", "Meet the fans",
     "Après le concert de %s, séance de dédicaces au stand du groupe.",
     "After the %s show, signing session at the band's stand.", "Venez nombreux", "Come along"},
    {"Coulisses de la tournée", "Behind the scenes",
     "Carnet de route : une journée avec l'équipe technique à %s.",
     "Tour diary: a day with the road crew in %s.", "Episode inédit", "New episode"},
};

std::string format(const char* pattern, const std::string& value) {
    std::string out = pattern;
    if (auto pos = out.find("%s"); pos != std::string::npos) out.replace(pos, 2, value);
    return out;
}

void buildNews(DemoContent& c) {
    constexpr int kNews = 45;
    constexpr int kCityCount = 15; // French cities and the nearest neighbours
    for (int i = 0; i < kNews; ++i) {
        const Story& s = kStories[i % 15];
        std::string city = kCities[(i * 7) % kCityCount].city;
        std::string date = isoDate(kToday - 4 * i);
        std::string n = twoDigits(i + 1);
        std::string link = server("site/news/" + n + ".html");
        std::string image = "media/news/news_" + n + ".jpg";
        std::string video = "http://www.dailymotion.com/swf/video/xzr5" + n;
        for (int lang = 0; lang < 2; ++lang) {
            bool fr = lang == 0;
            std::string body = format(fr ? s.bodyFR : s.bodyEN, city);
            std::string bold = fr ? s.boldFR : s.boldEN;
            std::string more = fr ? "Lire la suite" : "Read more";
            std::string html;
            switch (i % 5) {
            case 0:
                html = "<p>" + body + " <b>" + bold + "</b>.</p><p><a href=\"" + link + "\">" +
                       more + "</a></p>";
                break;
            case 1:
                html = "<p>" + body + "</p><img src=\"" + server(image) + "\" alt=\"\" />";
                break;
            case 2:
                html = "<p>" + body +
                       "</p><object width=\"320\" height=\"240\"><param "
                       "name=\"movie\" value=\"" +
                       video + "\"></param><embed src=\"" + video +
                       "\" type=\"application/x-shockwave-flash\" width=\"320\" "
                       "height=\"240\"></embed></object>";
                break;
            case 3:
                html = "<p>" + body + "<br />" +
                       (fr ? "Rendez-vous sur le site."
                           : "See you "
                             "on the "
                             "site.") +
                       "</p><p><strong>" + bold + "</strong></p>";
                break;
            default:
                html = "<p><a href=\"" + link + "\">" + bold + "</a> : " + body +
                       "</p><img src=\"" + server(image) + "\" alt=\"\" /><p><i>Zephrun</i></p>";
                break;
            }
            NewsItem item{format(fr ? s.titleFR : s.titleEN, city), date, html};
            (fr ? c.newsFR : c.newsEN).push_back(item);
        }
        if (i % 5 == 1 || i % 5 == 4) c.pictures.push_back({image, 300, 200, 100u + i});
    }
}

void buildTweets(DemoContent& c) {
    const char* fr[] = {
        "Balance terminée, ce soir on joue tout Ciel de Verre.",
        "Merci pour vos messages, on lit tout !",
        "Nouvelle ambiance sur la table de mix, dites-nous ce que vous en pensez.",
        "En route vers la prochaine ville, les photos du concert arrivent.",
        "Le vinyle est en pressage, encore un peu de patience.",
        "Session studio cette semaine, nouvelles chansons en vue.",
        "Qui vient au concert de samedi ?",
        "On a retrouvé les maquettes de Grand Large, souvenirs.",
    };
    const char* en[] = {
        "Soundcheck done, tonight we play all of Ciel de Verre.",
        "Thanks for your messages, we read them all!",
        "New mood on the mix table, tell us what you think.",
        "On the road to the next city, show pictures coming soon.",
        "The vinyl is being pressed, a little more patience.",
        "Studio session this week, new songs ahead.",
    };
    constexpr int kTweets = 34;
    for (int i = 0; i < kTweets; ++i) {
        long day = kToday - (i * 3) / 2;
        std::string time = twoDigits(9 + (i * 5) % 13) + ":" + twoDigits((i * 17) % 60);
        std::string text;
        if (i % 3 == 2)
            text = std::string("Zephrun_EN: ") + en[i % 6];
        else if (i % 7 == 4)
            text = std::string("RT zephrunlife: ") + fr[i % 8] + " via Zephrun_EN: see you there";
        else
            text = std::string("zephrunlife: ") + fr[i % 8];
        c.tweets.push_back({isoDate(day) + " " + time, text});
    }
}

struct ReleaseSpec {
    ReleaseKind kind;
    const char* title;
    const char* year;
    std::vector<const char*> tracks;
};

void buildReleases(DemoContent& c) {
    const ReleaseSpec specs[] = {
        {ReleaseKind::Album,
         "Grand Large",
         "2006",
         {"Grand Large", "Les Phares", "Sel et Vent", "Marée Basse", "Dix Nœuds", "L'Écume",
          "Cap Sud", "Sous les Voiles", "Horizon", "Retour au Port"}},
        {ReleaseKind::Album,
         "Lignes de Fuite",
         "2008",
         {"Lignes de Fuite", "Néons", "La Ville Dort", "Périphérique", "Quai 9", "Insomnie",
          "Béton Tendre", "Feux Rouges", "Les Passants", "Avant l'Aube", "Dernier Métro"}},
        {ReleaseKind::Album,
         "Ciel de Verre",
         "2010",
         {"Ciel de Verre", "Prisme", "Lumière Blanche", "Les Cristaux", "Transparence", "Éclats",
          "Miroirs", "Vitrail", "Fragile", "Reflets", "Azur", "Le Grand Ciel"}},
        {ReleaseKind::Maxi,
         "Nuit Blanche",
         "2007",
         {"Nuit Blanche", "Nuit Blanche (version longue)", "Minuit Passé", "Réveil"}},
        {ReleaseKind::Maxi,
         "Onde Courte",
         "2009",
         {"Onde Courte", "Fréquences", "Onde Courte (dub)"}},
        {ReleaseKind::Maxi,
         "Point du Jour",
         "2010",
         {"Point du Jour", "Rosée", "Point du Jour (acoustique)", "Matin Clair"}},
        {ReleaseKind::Compil,
         "Le Temps des Phares",
         "2011",
         {"Les Phares", "Néons", "Nuit Blanche", "Onde Courte", "Ciel de Verre", "Prisme",
          "Grand Large", "Point du Jour", "Dernier Métro", "Le Grand Ciel"}},
        {ReleaseKind::Compil,
         "Sessions Live",
         "2012",
         {"Intro (live)", "Lignes de Fuite (live)", "Les Phares (live)", "Éclats (live)",
          "Nuit Blanche (live)", "Horizon (live)", "Ciel de Verre (live)", "Rappel (live)"}},
    };
    const char* styles[] = {"acoustic", "electro", "rock", "dub", "chill"};
    unsigned releaseIndex = 0;
    for (const ReleaseSpec& spec : specs) {
        Release r{spec.kind, spec.title, spec.year, "", {}};
        std::string s = slug(spec.title);
        r.cover = "media/covers/" + s + ".jpg";
        c.pictures.push_back({r.cover, 300, 300, 500u + releaseIndex});
        unsigned n = 0;
        for (const char* title : spec.tracks) {
            ++n;
            Track t;
            t.title = title;
            t.artist = (n == 3 && spec.kind == ReleaseKind::Album) ? "Zephrun feat. Lou Ardent"
                                                                   : "Zephrun";
            int seconds = 150 + static_cast<int>((releaseIndex * 37 + n * 53) % 140);
            t.duration = std::to_string(seconds / 60) + ":" + twoDigits(seconds % 60);
            t.preview = "media/previews/" + s + "_" + twoDigits(static_cast<int>(n)) + ".ogg";
            const char* style = styles[(releaseIndex + n) % 5];
            unsigned layers = 0x1F & ~(1u << ((n + releaseIndex) % 5));
            c.previews.push_back({t.preview, style, layers});
            // Live recordings are not sold.
            if (spec.kind != ReleaseKind::Compil || std::string(spec.title) != "Sessions Live")
                t.store = server("store/" + s + "/" + std::to_string(n) + ".html");
            r.tracks.push_back(t);
        }
        c.releases.push_back(r);
        ++releaseIndex;
    }
}

void buildVideos(DemoContent& c) {
    const char* titles[] = {
        "Grand Large (clip)",
        "Les Phares en concert",
        "Lignes de Fuite (clip)",
        "Néons, session acoustique",
        "Nuit Blanche (clip)",
        "Making of Ciel de Verre",
        "Ciel de Verre (clip)",
        "Prisme en répétition",
        "Onde Courte (live)",
        "Interview de la tournée",
        "Point du Jour (clip)",
        "Les coulisses du Zénith",
        "Éclats (live à Bruxelles)",
        "La table de mix en vidéo",
        "Dernier Métro (clip)",
        "Carnet de route, épisode 1",
        "Carnet de route, épisode 2",
        "Horizon (live à Lyon)",
        "Reflets (clip)",
        "Le Grand Ciel (live)",
        "Sous les Voiles (acoustique)",
        "Rappel à l'Olympia",
        "Les fans racontent",
        "Teaser de la tournée",
    };
    int n = 0;
    for (const char* title : titles) {
        ++n;
        Video v;
        v.title = title;
        v.url = server("videos/" + twoDigits(n) + ".html");
        v.thumbnail = "media/videos/clip_" + twoDigits(n) + ".jpg";
        v.clip = "media/clips/clip_" + twoDigits(n) + ".webm";
        v.seed = 700u + static_cast<unsigned>(n);
        v.length = 59 + (n * 97) % 300;
        v.note = 1 + (n * 3) % 5;
        v.views = 1200 + n * n * 137;
        c.pictures.push_back({v.thumbnail, 320, 240, 700u + static_cast<unsigned>(n)});
        c.videos.push_back(v);
    }
}

void buildConcerts(DemoContent& c) {
    constexpr int kPast = 26, kFuture = 14;
    constexpr int kVenueCount = sizeof kVenues / sizeof kVenues[0];
    for (int i = 0; i < kPast + kFuture; ++i) {
        bool past = i < kPast;
        const Venue& v = kVenues[(i * 5) % kVenueCount];
        Concert k;
        // Past concerts from the latest back, future ones from the nearest on.
        long day = past ? kToday - 9 - 11 * i : kToday + 6 + 9 * (i - kPast);
        k.id = std::to_string(past ? 1001 + i : 2001 + (i - kPast));
        k.title = std::string(v.name) + (i % 6 == 2 ? " - Zephrun & invités" : " - Zephrun");
        k.date = frenchDate(day);
        k.address = v.address;
        k.latitude = v.lat;
        k.longitude = v.lon;
        (past ? c.pastConcerts : c.futureConcerts).push_back(k);
    }
    // Album photos of the past concerts: none for some, up to several pages for others.
    const char* authors[] = {"luna_75", "maxbzh", "jade.l", "hugo69", "ines_m", "theo.g"};
    const char* comments[] = {"Quelle soirée !",
                              "",
                              "Premier rang, merci Zephrun",
                              "Le rappel était magique",
                              "Great show!",
                              "Vivement la prochaine"};
    for (size_t i = 0; i < c.pastConcerts.size(); ++i) {
        const Concert& k = c.pastConcerts[i];
        int count = static_cast<int>((i * 7) % 15);
        if (i % 4 == 3) count = 0;
        for (int p = 0; p < count; ++p) {
            AlbumPhoto a;
            a.concert = k.id;
            a.picture = "media/photos/" + k.id + "_" + twoDigits(p + 1) + ".jpg";
            a.author = authors[(i + p) % 6];
            a.comment = comments[(i * 3 + p) % 6];
            a.date = isoDate(kToday - 9 - 11 * static_cast<long>(i)) + " 23:" + twoDigits(p * 3);
            a.portrait = (p % 3) == 2;
            c.pictures.push_back({a.picture, a.portrait ? 480 : 640, a.portrait ? 640 : 480,
                                  1000u + static_cast<unsigned>(i * 40 + p)});
            c.photos.push_back(a);
        }
    }
}

void buildMembers(DemoContent& c) {
    const char* names[] = {"luna", "max",   "nico", "lea",   "tom",     "jade",  "hugo", "ines",
                           "sam",  "chloe", "leo",  "zoe",   "theo",    "manon", "paul", "emma",
                           "yann", "lou",   "noah", "alice", "camille", "robin"};
    const char* sexes[] = {"female", "male",   "male",  "female", "male", "female",
                           "male",   "female", "other", "female", "male", "female",
                           "male",   "female", "male",  "female", "male", "other",
                           "male",   "female", "other", ""};
    constexpr int kNames = sizeof names / sizeof names[0];
    constexpr int kCityCount = sizeof kCities / sizeof kCities[0];
    constexpr int kMembers = 140;
    Dice dice(20101);
    for (int i = 0; i < kMembers; ++i) {
        int n = dice.below(kNames);
        // Two members in three live in France.
        int city = dice.below(3) < 2 ? dice.below(15) : dice.below(kCityCount);
        const Place& p = kCities[city];
        Member m;
        m.login = std::string(names[n]) + "_" + std::to_string(10 + i);
        m.sexe = sexes[n];
        m.latitude = std::round((p.lat + (dice.unit() - 0.5) * 0.4) * 1e4) / 1e4;
        m.longitude = std::round((p.lon + (dice.unit() - 0.5) * 0.6) * 1e4) / 1e4;
        c.members.push_back(m);
    }
    // The site's demo account. Its salt is fixed so that the content is the same on every
    // run; the content holds the password's hash only.
    Member demo;
    demo.login = kDemoLogin;
    demo.sexe = "female";
    demo.latitude = 48.8530;
    demo.longitude = 2.3499;
    demo.firstName = "Camille";
    demo.lastName = "Démo";
    demo.age = "29";
    demo.country = "France";
    demo.passwordHash = zserver::hashPassword("zephrun", "5a65706872756e2064656d6f2073616c",
                                              zserver::kPasswordIterations);
    c.members.push_back(demo);
}

void buildShows(DemoContent& c) {
    struct Show {
        const char* title;
        std::vector<const char*> lines;
    };
    const Show shows[] = {
        {"Zephrun Live #1 : Grand Large",
         {"Le premier album joué en entier", "Invité : Lou Ardent", "En direct du studio"}},
        {"Zephrun Live #2 : les années Néons",
         {"Retour sur Lignes de Fuite", "Vos questions en direct"}},
        {"Zephrun Live #3 : spécial table de mix",
         {"Les auteurs des meilleurs mix en studio", "Deux ambiances inédites",
          "Concours en fin d'émission"}},
        {"Zephrun Live #4 : acoustique", {"Guitare et voix", "Quatre titres rares"}},
        {"Zephrun Live #5 : Ciel de Verre",
         {"Avant-première de l'album", "Entretien avec le réalisateur du clip"}},
        {"Zephrun Live #6 : carnet de tournée",
         {"Récits de la route", "Les photos des fans", "Annonce de nouvelles dates"}},
        {"Zephrun Live #7 : remixes", {"Trois producteurs invités", "Un remix exclusif"}},
        {"Zephrun Live #8 : spécial fin d'année",
         {"Le meilleur de l'année", "Vos dédicaces", "Surprise en fin d'émission"}},
    };
    int id = 0;
    for (const Show& s : shows) {
        ++id;
        ShowLive show;
        show.id = id;
        show.date = isoDate(kToday - 70 + 14 * id) + " 21:00:00";
        show.title = s.title;
        for (const char* line : s.lines) show.lines.emplace_back(line);
        c.shows.push_back(show);
    }
}

} // namespace

std::string slug(const std::string& text) {
    static const std::pair<const char*, const char*> kLetters[] = {
        {"à", "a"}, {"â", "a"}, {"ä", "a"}, {"é", "e"},  {"è", "e"}, {"ê", "e"},
        {"ë", "e"}, {"î", "i"}, {"ï", "i"}, {"ô", "o"},  {"ö", "o"}, {"ù", "u"},
        {"û", "u"}, {"ü", "u"}, {"ç", "c"}, {"œ", "oe"}, {"É", "e"}, {"À", "a"}};
    std::string out;
    bool gap = false;
    for (size_t i = 0; i < text.size();) {
        auto lead = static_cast<unsigned char>(text[i]);
        std::string piece;
        if (lead < 0x80) {
            if (std::isalnum(lead)) piece = std::string(1, static_cast<char>(std::tolower(lead)));
            ++i;
        } else {
            size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
            std::string letter = text.substr(i, length);
            i += length;
            for (auto& [from, to] : kLetters)
                if (letter == from) piece = to;
        }
        if (piece.empty()) {
            gap = true;
            continue;
        }
        if (gap && !out.empty()) out += '_';
        out += piece;
        gap = false;
    }
    return out;
}

DemoContent buildDemoContent() {
    DemoContent c;
    buildNews(c);
    buildTweets(c);
    buildReleases(c);
    buildVideos(c);
    buildConcerts(c);
    buildMembers(c);
    buildShows(c);
    return c;
}

} // namespace mkcontent
