// Shared set-up of the configuration tests: a private directory per test holding a defaults
// store, a documents directory and a package directory.
#pragma once

#include "app/persisted_keys.h"
#include "app/zephrun_configuration.h"
#include "platform/atomic_file.h"
#include "platform/user_defaults.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

namespace zephrun::test {

inline constexpr const char* kDisplayName = "Zephrun";

// The configuration shipped in resources/.
inline std::filesystem::path shippedConfigPath() {
    return std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "resources" /
           "ZephrunConfig.xml";
}

// A `config` document holding the given `var` elements.
inline std::string configDoc(const std::string& vars, const std::string& date = "2026-01-01") {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<config date=\"" + date + "\">" + vars +
           "</config>";
}

inline std::string var(const std::string& name, const std::string& text) {
    return "<var name=\"" + name + "\">" + text + "</var>";
}

class ConfigurationTest : public ::testing::Test {
  protected:
    void SetUp() override {
        static std::atomic<int> counter{0};
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        root_ = std::filesystem::temp_directory_path() /
                ("zephrun-config-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) +
                 "-" + info->name());
        std::filesystem::remove_all(root_);
        std::filesystem::create_directories(documents());
        std::filesystem::create_directories(package());
        defaults_ = std::make_unique<zplatform::UserDefaults>(root_ / "defaults");
        defaults_->setString(key(keys::kPathConfigFile), cacheFile().string());
    }
    void TearDown() override {
        defaults_.reset();
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }

    std::filesystem::path documents() const { return root_ / "Documents"; }
    std::filesystem::path package() const { return root_ / "Zephrun.app"; }
    std::filesystem::path cacheFile() const { return documents() / "ZephrunConfig.xml"; }
    std::filesystem::path packageFile() const { return package() / "ZephrunConfig.xml"; }
    static std::string key(std::string_view suffix) { return persistedKey(kDisplayName, suffix); }

    static void write(const std::filesystem::path& path, const std::string& bytes) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << bytes;
    }
    static std::string read(const std::filesystem::path& path) {
        return zplatform::readWholeFile(path).value_or("<unreadable>");
    }

    std::unique_ptr<ZephrunConfiguration> make() {
        return std::make_unique<ZephrunConfiguration>(*defaults_, kDisplayName, package().string());
    }
    // A configuration created with no cached file and no package copy: the empty document.
    std::unique_ptr<ZephrunConfiguration> makeEmpty() { return make(); }

    std::filesystem::path root_;
    std::unique_ptr<zplatform::UserDefaults> defaults_;
};

} // namespace zephrun::test
