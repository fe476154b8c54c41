// ZephrunConfiguration: parsing, conversion, reset table, cached file and server update.
#include "app/zephrun_configuration.h"

#include "app/persisted_keys.h"
#include "platform/atomic_file.h"
#include "platform/user_defaults.h"

#include <expat.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <vector>

namespace zephrun {
namespace {

enum class Kind { Integer, Boolean, Real, Text, OptionalText, Color, Color2010 };

// Every known `var` name with its conversion and its place in the values.
struct FieldRef {
    std::string_view name;
    Kind kind;
    std::int32_t ConfigurationValues::*integer = nullptr;
    bool ConfigurationValues::*boolean = nullptr;
    float ConfigurationValues::*real = nullptr;
    std::string ConfigurationValues::*text = nullptr;
    std::optional<std::string> ConfigurationValues::*optionalText = nullptr;
};

const std::vector<FieldRef>& fieldTable() {
    static const std::vector<FieldRef> table = [] {
        std::vector<FieldRef> t;
#define ZEPHRUN_X(n) t.push_back({#n, Kind::Integer, &ConfigurationValues::n});
        ZEPHRUN_CONFIG_INTEGER_FIELDS(ZEPHRUN_X)
#undef ZEPHRUN_X
#define ZEPHRUN_X(n) t.push_back({#n, Kind::Boolean, nullptr, &ConfigurationValues::n});
        ZEPHRUN_CONFIG_BOOLEAN_FIELDS(ZEPHRUN_X)
#undef ZEPHRUN_X
#define ZEPHRUN_X(n) t.push_back({#n, Kind::Real, nullptr, nullptr, &ConfigurationValues::n});
        ZEPHRUN_CONFIG_REAL_FIELDS(ZEPHRUN_X)
#undef ZEPHRUN_X
#define ZEPHRUN_X(n)                                                                               \
    t.push_back({#n, Kind::Text, nullptr, nullptr, nullptr, &ConfigurationValues::n});
        ZEPHRUN_CONFIG_TEXT_FIELDS(ZEPHRUN_X)
#undef ZEPHRUN_X
#define ZEPHRUN_X(n)                                                                               \
    t.push_back(                                                                                   \
        {#n, Kind::OptionalText, nullptr, nullptr, nullptr, nullptr, &ConfigurationValues::n});
        ZEPHRUN_CONFIG_OPTIONAL_TEXT_FIELDS(ZEPHRUN_X)
#undef ZEPHRUN_X
        t.push_back({"color", Kind::Color});
        t.push_back({"color_2010", Kind::Color2010});
        return t;
    }();
    return table;
}

const FieldRef* findField(std::string_view name) {
    for (const auto& f : fieldTable())
        if (f.name == name) return &f;
    return nullptr;
}

std::string removeChars(std::string_view text, std::string_view unwanted) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (unwanted.find(c) == std::string_view::npos) out += c;
    return out;
}

// Leading blanks and tabs are skipped, as the platform's number readers do.
std::string_view skipLeadingSpace(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    return s.substr(i);
}

// The leading decimal integer of `text`; 0 without one; saturated to the 32-bit range.
std::int32_t leadingInteger(std::string_view text) {
    std::string_view s = skipLeadingSpace(text);
    bool negative = false;
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    std::int64_t value = 0;
    bool any = false;
    for (char c : s) {
        if (c < '0' || c > '9') break;
        any = true;
        value = std::min<std::int64_t>(value * 10 + (c - '0'), std::int64_t{1} << 32);
    }
    if (!any) return 0;
    if (negative) value = -value;
    value = std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                     std::numeric_limits<std::int32_t>::max());
    return static_cast<std::int32_t>(value);
}

// The leading decimal real of `text` (digits, optional fraction and exponent); 0 without one.
// Infinities, NaN and values beyond the float range also give 0: none of the real fields has a
// meaning for them.
float leadingReal(std::string_view text) {
    std::string_view s = skipLeadingSpace(text);
    bool negative = false;
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
        negative = s[0] == '-';
        s.remove_prefix(1);
    }
    const bool startsWithDigit = !s.empty() && s[0] >= '0' && s[0] <= '9';
    const bool startsWithPoint = s.size() >= 2 && s[0] == '.' && s[1] >= '0' && s[1] <= '9';
    if (!startsWithDigit && !startsWithPoint) return 0.0f;
    double value = 0;
    auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    (void)ptr;
    if (ec != std::errc() || !std::isfinite(value) ||
        std::fabs(value) > std::numeric_limits<float>::max())
        return 0.0f;
    return static_cast<float>(negative ? -value : value);
}

// "r-g-b-a" in 0..255 per part; nothing when there are fewer than four parts.
std::optional<Color> parseColor(std::string_view text) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (true) {
        size_t dash = text.find('-', start);
        parts.push_back(text.substr(start, dash == std::string_view::npos ? dash : dash - start));
        if (dash == std::string_view::npos) break;
        start = dash + 1;
    }
    if (parts.size() < 4) return std::nullopt;
    auto component = [](std::string_view part) {
        return std::clamp(leadingReal(part) / 255.0f, 0.0f, 1.0f);
    };
    return Color{component(parts[0]), component(parts[1]), component(parts[2]),
                 component(parts[3])};
}

void storeVar(ConfigurationValues& v, std::string_view name, std::string_view collected) {
    const FieldRef* f = findField(name);
    if (!f) return;
    switch (f->kind) {
    case Kind::Integer:
        v.*(f->integer) = leadingInteger(removeChars(collected, "\n "));
        break;
    case Kind::Boolean:
        v.*(f->boolean) = leadingInteger(removeChars(collected, "\n ")) != 0;
        break;
    case Kind::Real:
        v.*(f->real) = leadingReal(removeChars(collected, "\n "));
        break;
    case Kind::Text:
        v.*(f->text) = removeChars(collected, "\n \t\r");
        break;
    case Kind::OptionalText:
        v.*(f->optionalText) = removeChars(collected, "\n \t\r");
        break;
    case Kind::Color:
        if (auto c = parseColor(removeChars(collected, "\n \t\r"))) v.colorTeinte = *c;
        break;
    case Kind::Color2010:
        if (auto c = parseColor(removeChars(collected, "\n \t\r"))) v.colorTeinte2010 = *c;
        break;
    }
}

// The parser's delegate state: `id_var` and `currentElementValue`.
struct ParseState {
    XML_Parser parser = nullptr;
    ConfigurationValues* values = nullptr;
    std::string id_var;
    std::optional<std::string> currentElementValue;
    int cdataDepth = 0;
    bool sawConfig = false;
    std::optional<std::string> date;
};

const XML_Char* attribute(const XML_Char** atts, std::string_view name) {
    for (size_t i = 0; atts[i]; i += 2)
        if (name == atts[i]) return atts[i + 1];
    return nullptr;
}

void XMLCALL onStart(void* user, const XML_Char* name, const XML_Char** atts) {
    auto* st = static_cast<ParseState*>(user);
    std::string_view element(name);
    if (element == "config") {
        st->sawConfig = true;
        const XML_Char* date = attribute(atts, "date");
        st->date = date ? std::optional<std::string>(date) : std::nullopt;
        st->values->date_config = date ? date : "";
    } else if (element == "var") {
        st->currentElementValue.emplace();
        const XML_Char* varName = attribute(atts, "name");
        st->id_var = varName ? varName : "";
    }
}

void XMLCALL onCharacters(void* user, const XML_Char* s, int len) {
    auto* st = static_cast<ParseState*>(user);
    // CDATA sections are not part of a value, as with the platform's event parser.
    if (st->cdataDepth > 0 || !st->currentElementValue) return;
    st->currentElementValue->append(s, static_cast<size_t>(len));
}

void XMLCALL onEnd(void* user, const XML_Char* name) {
    auto* st = static_cast<ParseState*>(user);
    if (std::string_view(name) != "var") return;
    if (st->currentElementValue) storeVar(*st->values, st->id_var, *st->currentElementValue);
    st->currentElementValue.reset();
}

void XMLCALL onCdataStart(void* user) {
    ++static_cast<ParseState*>(user)->cdataDepth;
}
void XMLCALL onCdataEnd(void* user) {
    --static_cast<ParseState*>(user)->cdataDepth;
}

// The document is untrusted: an entity declaration (the vehicle of entity expansion attacks)
// stops the parse, and external entities are never loaded.
void XMLCALL onEntityDecl(void* user, const XML_Char*, int, const XML_Char*, int, const XML_Char*,
                          const XML_Char*, const XML_Char*, const XML_Char*) {
    XML_StopParser(static_cast<ParseState*>(user)->parser, XML_FALSE);
}

int XMLCALL onExternalEntityRef(XML_Parser, const XML_Char*, const XML_Char*, const XML_Char*,
                                const XML_Char*) {
    return XML_STATUS_ERROR;
}

struct ParserDeleter {
    void operator()(XML_ParserStruct* p) const { XML_ParserFree(p); }
};

} // namespace

ZephrunConfiguration::ZephrunConfiguration(zplatform::UserDefaults& defaults,
                                           std::string displayName, std::string packageDirectory)
    : defaults_(defaults), displayName_(std::move(displayName)),
      packageDirectory_(std::move(packageDirectory)) {
    const std::string cache = cachePath();
    std::optional<std::string> bytes;
    if (!cache.empty()) bytes = zplatform::readWholeFile(cache);
    // A cached document that does not parse would stay broken for good: without `url_omv` no
    // session opens, so no update could ever replace it. The shipped copy replaces it instead.
    if (!bytes || bytes->size() < 2 || !isWellFormed(*bytes)) {
        bytes = zplatform::readWholeFile(packageCopyPath(packageDirectory_, kFileName));
        if (bytes && !cache.empty()) zplatform::writeFileAtomically(cache, *bytes);
    }
    loadConfig(bytes ? *bytes : std::string());
}

bool ZephrunConfiguration::isWellFormed(std::string_view document) {
    ConfigurationValues scratch;
    std::optional<std::string> date;
    bool sawConfig = false;
    return parseInto(document, scratch, date, sawConfig);
}

void ZephrunConfiguration::applyResetTable(ConfigurationValues& v) {
#define ZEPHRUN_X(n) v.n.clear();
    ZEPHRUN_CONFIG_TEXT_FIELDS(ZEPHRUN_X)
#undef ZEPHRUN_X
    v.url_mix_2010.reset();
    v.colorTeinte2010.reset();
#define ZEPHRUN_X(n) v.n = false;
    ZEPHRUN_CONFIG_BOOLEAN_FIELDS(ZEPHRUN_X)
#undef ZEPHRUN_X
    v.colorTeinte = kDefaultTint;
    v.time_change_bkg = 0;
#define ZEPHRUN_X(n) v.n = 0.0f;
    ZEPHRUN_CONFIG_REAL_FIELDS(ZEPHRUN_X)
#undef ZEPHRUN_X
}

bool ZephrunConfiguration::parseInto(std::string_view document, ConfigurationValues& values,
                                     std::optional<std::string>& date, bool& sawConfig) {
    std::unique_ptr<XML_ParserStruct, ParserDeleter> parser(XML_ParserCreate("UTF-8"));
    if (!parser) return false;
    ParseState st;
    st.parser = parser.get();
    st.values = &values;
    XML_SetUserData(parser.get(), &st);
    XML_SetElementHandler(parser.get(), onStart, onEnd);
    XML_SetCharacterDataHandler(parser.get(), onCharacters);
    XML_SetCdataSectionHandler(parser.get(), onCdataStart, onCdataEnd);
    XML_SetEntityDeclHandler(parser.get(), onEntityDecl);
    XML_SetExternalEntityRefHandler(parser.get(), onExternalEntityRef);
    XML_SetParamEntityParsing(parser.get(), XML_PARAM_ENTITY_PARSING_NEVER);

    bool ok = true;
    // Fed in slices so that documents beyond int's range still go through the parser.
    constexpr size_t kSlice = 1 << 20;
    size_t pos = 0;
    do {
        const size_t n = std::min(kSlice, document.size() - pos);
        const bool last = pos + n == document.size();
        if (XML_Parse(parser.get(), document.data() + pos, static_cast<int>(n), last) !=
            XML_STATUS_OK) {
            ok = false;
            break;
        }
        pos += n;
    } while (pos < document.size());
    date = st.date;
    sawConfig = st.sawConfig;
    return ok;
}

void ZephrunConfiguration::persistDate(const std::optional<std::string>& date) {
    const std::string key = persistedKey(displayName_, keys::kDateConfig);
    if (defaults_.stringForKey(key) == date) return; // spares a store write per load
    if (date)
        defaults_.setString(key, *date);
    else
        defaults_.removeObject(key);
}

void ZephrunConfiguration::rebaseAddresses(std::string from, std::string to) {
    std::lock_guard load(loadMutex_);
    rebaseFrom_ = std::move(from);
    rebaseTo_ = std::move(to);
    ConfigurationValues next = values();
    applyRebase(next);
    std::lock_guard lock(mutex_);
    values_ = std::move(next);
}

void ZephrunConfiguration::applyRebase(ConfigurationValues& v) const {
    if (rebaseFrom_.empty()) return;
    auto rebase = [this](std::string& address) {
        if (address.compare(0, rebaseFrom_.size(), rebaseFrom_) == 0)
            address = rebaseTo_ + address.substr(rebaseFrom_.size());
    };
#define ZEPHRUN_X(name) rebase(v.name);
    ZEPHRUN_CONFIG_TEXT_FIELDS(ZEPHRUN_X)
#undef ZEPHRUN_X
#define ZEPHRUN_X(name)                                                                            \
    if (v.name) rebase(*v.name);
    ZEPHRUN_CONFIG_OPTIONAL_TEXT_FIELDS(ZEPHRUN_X)
#undef ZEPHRUN_X
}

bool ZephrunConfiguration::loadConfig(std::string_view document) {
    std::lock_guard load(loadMutex_);
    ConfigurationValues next = values();
    applyResetTable(next);
    std::optional<std::string> date;
    bool sawConfig = false;
    const bool ok = parseInto(document, next, date, sawConfig);
    applyRebase(next);
    {
        std::lock_guard lock(mutex_);
        values_ = std::move(next);
    }
    if (sawConfig) persistDate(date);
    return ok;
}

bool ZephrunConfiguration::applyServerUpdate(std::string_view document) {
    std::lock_guard load(loadMutex_);
    ConfigurationValues next = values();
    applyResetTable(next);
    std::optional<std::string> date;
    bool sawConfig = false;
    if (!parseInto(document, next, date, sawConfig)) {
        std::fprintf(stderr, "ZephrunConfiguration: malformed update ignored\n");
        return false;
    }
    {
        std::lock_guard lock(mutex_);
        values_ = std::move(next);
    }
    // The date tells the server which configuration the device holds, so it moves on only once
    // the file holds the update; otherwise the next session open asks for the update again.
    const std::string path = cachePath();
    if (!path.empty() && zplatform::writeFileAtomically(path, document)) {
        if (sawConfig) persistDate(date);
    } else {
        std::fprintf(stderr, "ZephrunConfiguration: cached file not written\n");
    }
    std::fprintf(stderr, "mise à jour\n");
    return true;
}

ConfigurationValues ZephrunConfiguration::values() const {
    std::lock_guard lock(mutex_);
    return values_;
}

std::optional<std::int32_t> ZephrunConfiguration::integerNamed(std::string_view name) const {
    std::lock_guard lock(mutex_);
#define ZEPHRUN_X(field)                                                                           \
    if (name == #field) return values_.field;
    ZEPHRUN_CONFIG_INTEGER_FIELDS(ZEPHRUN_X)
#undef ZEPHRUN_X
    return std::nullopt;
}

std::string ZephrunConfiguration::cachePath() const {
    return defaults_.stringForKey(persistedKey(displayName_, keys::kPathConfigFile))
        .value_or(std::string());
}

#define ZEPHRUN_ACCESSORS(type, n)                                                                 \
    type ZephrunConfiguration::n() const {                                                         \
        std::lock_guard lock(mutex_);                                                              \
        return values_.n;                                                                          \
    }                                                                                              \
    void ZephrunConfiguration::set_##n(type value) {                                               \
        std::lock_guard lock(mutex_);                                                              \
        values_.n = std::move(value);                                                              \
    }
#define ZEPHRUN_X(n) ZEPHRUN_ACCESSORS(std::int32_t, n)
ZEPHRUN_CONFIG_INTEGER_FIELDS(ZEPHRUN_X)
#undef ZEPHRUN_X
#define ZEPHRUN_X(n) ZEPHRUN_ACCESSORS(bool, n)
ZEPHRUN_CONFIG_BOOLEAN_FIELDS(ZEPHRUN_X)
#undef ZEPHRUN_X
#define ZEPHRUN_X(n) ZEPHRUN_ACCESSORS(float, n)
ZEPHRUN_CONFIG_REAL_FIELDS(ZEPHRUN_X)
#undef ZEPHRUN_X
#define ZEPHRUN_X(n) ZEPHRUN_ACCESSORS(std::string, n)
ZEPHRUN_CONFIG_TEXT_FIELDS(ZEPHRUN_X)
#undef ZEPHRUN_X
#define ZEPHRUN_X(n) ZEPHRUN_ACCESSORS(std::optional<std::string>, n)
ZEPHRUN_CONFIG_OPTIONAL_TEXT_FIELDS(ZEPHRUN_X)
#undef ZEPHRUN_X
ZEPHRUN_ACCESSORS(Color, colorTeinte)
ZEPHRUN_ACCESSORS(std::optional<Color>, colorTeinte2010)
#undef ZEPHRUN_ACCESSORS

std::string ZephrunConfiguration::date_config() const {
    std::lock_guard lock(mutex_);
    return values_.date_config;
}

Color ZephrunConfiguration::tintColor() const {
    std::lock_guard lock(mutex_);
    return values_.tintColor();
}

} // namespace zephrun
