// ZephrunConfiguration: the values of the configuration document "ZephrunConfig.xml" (server
// addresses, request and event identifiers, page addresses, tint colours, home-screen tuning),
// its cached file with the shipped package copy, and the update that a session-open reply brings.
//
// Ownership: one instance, owned by the application delegate; it keeps a non-owning reference to
// the defaults store, which must outlive it.
//
// Threads: every member may be called from any thread. Values are held under one lock and the
// accessors return copies, so a reader never sees half of an update (the background rotation
// reads and writes `time_change_bkg` from its own thread while the interface thread may be
// applying a server update).
//
// Failures are silent, as the application's models do: a missing file leaves the reset values,
// a malformed document stops where the parser stops.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace zplatform {
class UserDefaults;
}

namespace zephrun {

// An RGBA colour, each component in [0, 1].
struct Color {
    float red = 0;
    float green = 0;
    float blue = 0;
    float alpha = 1;
    friend bool operator==(const Color&, const Color&) = default;
};

// The fields of the document, one X(name) per `var` name, grouped by the conversion applied.
// Signed 32-bit integers (unknown or garbage text gives 0).
#define ZEPHRUN_CONFIG_INTEGER_FIELDS(X)                                                           \
    X(time_change_bkg)                                                                             \
    X(id_wr_connexion)                                                                             \
    X(id_wr_deconnexion)                                                                           \
    X(id_wr_twitter)                                                                               \
    X(id_wr_news_en)                                                                               \
    X(id_wr_news_fr)                                                                               \
    X(id_wr_disco)                                                                                 \
    X(id_wr_disco_album)                                                                           \
    X(id_wr_disco_maxi)                                                                            \
    X(id_wr_disco_compil)                                                                          \
    X(id_wr_videos)                                                                                \
    X(id_wr_videos_2010)                                                                           \
    X(id_wr_photos)                                                                                \
    X(id_wr_concerts_past)                                                                         \
    X(id_wr_concerts_futur)                                                                        \
    X(id_wr_concerts_photos)                                                                       \
    X(id_wr_membres_forzone)                                                                       \
    X(id_wr_membres_aroundme)                                                                      \
    X(id_wr_reporter)                                                                              \
    X(id_wr_showlive_next)                                                                         \
    X(id_wr_showlive_preview)                                                                      \
    X(id_wr_showlive_2010)                                                                         \
    X(id_event_discographie_ecoute)                                                                \
    X(id_event_discographie_itunes)                                                                \
    X(id_event_medias_video)                                                                       \
    X(id_event_mix)                                                                                \
    X(id_event_show_live)                                                                          \
    X(id_event_tour_tracker)

// Integers read as flags: 0 is NO, anything else YES.
#define ZEPHRUN_CONFIG_BOOLEAN_FIELDS(X)                                                           \
    X(home_box_disco_aleatoire)                                                                    \
    X(want_tuto_defil)

// 32-bit reals.
#define ZEPHRUN_CONFIG_REAL_FIELDS(X)                                                              \
    X(time_valid_select)                                                                           \
    X(home_delta_detect)

// Texts that every load resets to "".
#define ZEPHRUN_CONFIG_TEXT_FIELDS(X)                                                              \
    X(url_login_en)                                                                                \
    X(url_login_fr)                                                                                \
    X(url_logout_en)                                                                               \
    X(url_logout_fr)                                                                               \
    X(url_register_en)                                                                             \
    X(url_register_fr)                                                                             \
    X(url_site_web)                                                                                \
    X(url_mentions_en)                                                                             \
    X(url_mentions_fr)                                                                             \
    X(url_mix)

// Texts that may be none: the three that loads never reset (none until a document names them)
// and `url_mix_2010`, which every load resets to none.
#define ZEPHRUN_CONFIG_OPTIONAL_TEXT_FIELDS(X)                                                     \
    X(url_omv)                                                                                     \
    X(url_resize_image)                                                                            \
    X(num_version_discographie)                                                                    \
    X(url_mix_2010)

// A snapshot of every value.
struct ConfigurationValues {
#define ZEPHRUN_X(name) std::int32_t name = 0;
    ZEPHRUN_CONFIG_INTEGER_FIELDS(ZEPHRUN_X)
#undef ZEPHRUN_X
#define ZEPHRUN_X(name) bool name = false;
    ZEPHRUN_CONFIG_BOOLEAN_FIELDS(ZEPHRUN_X)
#undef ZEPHRUN_X
#define ZEPHRUN_X(name) float name = 0.0f;
    ZEPHRUN_CONFIG_REAL_FIELDS(ZEPHRUN_X)
#undef ZEPHRUN_X
#define ZEPHRUN_X(name) std::string name;
    ZEPHRUN_CONFIG_TEXT_FIELDS(ZEPHRUN_X)
#undef ZEPHRUN_X
#define ZEPHRUN_X(name) std::optional<std::string> name;
    ZEPHRUN_CONFIG_OPTIONAL_TEXT_FIELDS(ZEPHRUN_X)
#undef ZEPHRUN_X
    Color colorTeinte;                    // document name "color"
    std::optional<Color> colorTeinte2010; // document name "color_2010"
    std::string date_config;              // the `date` attribute of the last `config` element

    // The tint colour: `colorTeinte2010` when present, else `colorTeinte`.
    Color tintColor() const {
        return colorTeinte2010 ? *colorTeinte2010 : colorTeinte;
    }
};

class ZephrunConfiguration {
  public:
    // The colour that every load starts from: red 1, green 198, blue 241 (of 255), opaque.
    static constexpr Color kDefaultTint{1.0f / 255.0f, 198.0f / 255.0f, 241.0f / 255.0f, 1.0f};
    static constexpr std::string_view kFileName = "ZephrunConfig.xml";

    // `init`: reads the cached file at "_PathConfigFile"; when it is unreadable, shorter than
    // 2 bytes or not well-formed, reads the package copy (packageDirectory +
    // "/ZephrunConfig.xml") and writes it atomically over the cached file; then loads those
    // bytes (none: an empty document).
    // `displayName` prefixes the persisted keys.
    ZephrunConfiguration(zplatform::UserDefaults& defaults, std::string displayName,
                         std::string packageDirectory);

    ZephrunConfiguration(const ZephrunConfiguration&) = delete;
    ZephrunConfiguration& operator=(const ZephrunConfiguration&) = delete;

    // `loadConfig:`: applies the reset table, then parses the document over the current values.
    // A malformed document keeps what was read before the error. Persists the `config` element's
    // `date` under "_DateConfig" (removes it when the element has no `date`). Returns whether the
    // document was well-formed (callers of the original contract may ignore it).
    bool loadConfig(std::string_view document);

    // The configuration update of a session-open reply: `document` is the block cut out of the
    // reply ("<config date" … first "</config>"). A well-formed block is loaded as by
    // loadConfig() and written atomically over the cached file; a malformed one changes nothing
    // (values, "_DateConfig" and file stay as they were). When the file cannot be written the
    // values still change for this run but "_DateConfig" keeps the file's date, so that the next
    // session open asks for the update again. Returns whether it was applied.
    //
    // Called with the block that kt::KT_ParseConfig cuts out of the session-open reply:
    //   parser.updateConfig([&](std::string_view xml) { config.applyServerUpdate(xml); });
    bool applyServerUpdate(std::string_view document);

    // Addresses that begin with `from` are taken relative to `to` instead, now and in every later
    // load (the shipped configuration names the reference server's default address; a run
    // against another server rebases them). An empty `from` turns it off.
    void rebaseAddresses(std::string from, std::string to);

    // Copy of every value, taken under the lock.
    ConfigurationValues values() const;
    // An integer field by its document name ("id_wr_news_fr"); none for any other name.
    std::optional<std::int32_t> integerNamed(std::string_view name) const;

    // One read and one write accessor per field.
#define ZEPHRUN_X(name)                                                                            \
    std::int32_t name() const;                                                                     \
    void set_##name(std::int32_t value);
    ZEPHRUN_CONFIG_INTEGER_FIELDS(ZEPHRUN_X)
#undef ZEPHRUN_X
#define ZEPHRUN_X(name)                                                                            \
    bool name() const;                                                                             \
    void set_##name(bool value);
    ZEPHRUN_CONFIG_BOOLEAN_FIELDS(ZEPHRUN_X)
#undef ZEPHRUN_X
#define ZEPHRUN_X(name)                                                                            \
    float name() const;                                                                            \
    void set_##name(float value);
    ZEPHRUN_CONFIG_REAL_FIELDS(ZEPHRUN_X)
#undef ZEPHRUN_X
#define ZEPHRUN_X(name)                                                                            \
    std::string name() const;                                                                      \
    void set_##name(std::string value);
    ZEPHRUN_CONFIG_TEXT_FIELDS(ZEPHRUN_X)
#undef ZEPHRUN_X
#define ZEPHRUN_X(name)                                                                            \
    std::optional<std::string> name() const;                                                       \
    void set_##name(std::optional<std::string> value);
    ZEPHRUN_CONFIG_OPTIONAL_TEXT_FIELDS(ZEPHRUN_X)
#undef ZEPHRUN_X
    Color colorTeinte() const;
    void set_colorTeinte(Color value);
    std::optional<Color> colorTeinte2010() const;
    void set_colorTeinte2010(std::optional<Color> value);
    std::string date_config() const;
    // `colorTeinte2010` when present, else `colorTeinte`.
    Color tintColor() const;

    // The cached file's path as persisted under "_PathConfigFile" ("" when unset).
    std::string cachePath() const;

  private:
    // Parses into `values` (already reset). Returns whether the document was well-formed;
    // `date` receives the last `config` element's date (nullopt: no date attribute), and
    // `sawConfig` whether any `config` element started.
    static bool parseInto(std::string_view document, ConfigurationValues& values,
                          std::optional<std::string>& date, bool& sawConfig);
    static bool isWellFormed(std::string_view document);
    static void applyResetTable(ConfigurationValues& values);
    void applyRebase(ConfigurationValues& values) const;
    void persistDate(const std::optional<std::string>& date);

    zplatform::UserDefaults& defaults_;
    const std::string displayName_;
    const std::string packageDirectory_;
    std::mutex loadMutex_;     // one load or update at a time
    mutable std::mutex mutex_; // guards values_; never held while parsing
    ConfigurationValues values_;
    std::string rebaseFrom_; // under loadMutex_
    std::string rebaseTo_;
};

} // namespace zephrun
