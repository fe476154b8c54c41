#include "app/script/script_runner.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "app/main/app_host.h"
#include "app/script/script_devices.h"
#include "app/script/view_dump.h"
#include "platform/audio/recording_audio_backend.h"
#include "platform/ui/alert_view.h"
#include "platform/ui/test_driver.h"
#include "platform/ui/text_field.h"
#include "platform/ui/window.h"
#include "platform/audio/wav_file.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace zephrun {

namespace {

bool parseNumber(const std::string& text, double& value) {
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && end && *end == '\0';
}

std::string trim(const std::string& s) {
    std::size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string::npos) return {};
    std::size_t b = s.find_last_not_of(" \t\r");
    return s.substr(a, b - a + 1);
}

} // namespace

ScriptRunner::ScriptRunner(AppHost& host, ui::TestDriver& driver, std::string outDir)
    : host_(host), driver_(driver), outDir_(std::move(outDir)) {}

std::vector<std::string> ScriptRunner::split(const std::string& line, std::size_t maxWords) {
    std::vector<std::string> words;
    std::size_t at = 0;
    while (at < line.size()) {
        at = line.find_first_not_of(" \t", at);
        if (at == std::string::npos) break;
        if (words.size() + 1 == maxWords) {
            words.push_back(trim(line.substr(at)));
            break;
        }
        std::size_t end = line.find_first_of(" \t", at);
        if (end == std::string::npos) end = line.size();
        words.push_back(line.substr(at, end - at));
        at = end;
    }
    return words;
}

bool ScriptRunner::fail(std::string reason) {
    error_ = std::move(reason);
    return false;
}

bool ScriptRunner::run(std::istream& script) {
    std::string line;
    int number = 0;
    while (!quit_ && std::getline(script, line)) {
        ++number;
        std::string text = trim(line);
        if (text.empty() || text[0] == '#') continue;
        if (!runLine(text)) {
            error_ = "line " + std::to_string(number) + ": " + error_;
            return false;
        }
    }
    return true;
}

void ScriptRunner::frame(double seconds) {
    driver_.advance(seconds);
    host_.afterFrame();
}

void ScriptRunner::wait(double seconds) {
    const auto start = Clock::now();
    const double frame = ui::TestDriver::kFrame;
    double done = 0;
    while (done < seconds - 1e-9) {
        const double step = std::min(frame, seconds - done);
        this->frame(step);
        done += step;
        std::this_thread::sleep_until(start + std::chrono::duration<double>(done));
    }
}

ui::View* ScriptRunner::await(const std::function<ui::View*()>& find) {
    const double frame = ui::TestDriver::kFrame;
    for (double waited = 0;; waited += frame) {
        if (ui::View* v = find()) return v;
        if (waited >= kExpectSeconds) return nullptr;
        wait(frame);
    }
}

ui::View* ScriptRunner::findText(const std::string& text) {
    for (ui::View* v : driver_.findAll([&text](const ui::View& v) {
             return v.displayedText().find(text) != std::string::npos;
         }))
        if (driver_.isVisible(v)) return v;
    return nullptr;
}

ui::View* ScriptRunner::findImage(const std::string& name) {
    for (ui::View* v :
         driver_.findAll([&name](const ui::View& v) { return v.displayedImageName() == name; }))
        if (driver_.isVisible(v)) return v;
    return nullptr;
}

bool ScriptRunner::touchView(ui::View* view, const std::string& what, int taps, double hold) {
    if (!view) return fail("no visible view shows \"" + what + "\"");
    ui::Rect f = driver_.frameInWindow(view);
    ui::Point centre{f.midX(), f.midY()};
    if (hold > 0) {
        driver_.touchDown(0, centre);
        wait(hold);
        driver_.touchUp(0, centre);
        frame(0);
    } else if (taps == 2) {
        driver_.doubleTap(centre);
    } else {
        driver_.tap(centre);
    }
    host_.afterFrame();
    return true;
}

bool ScriptRunner::answerAlert(int button) {
    auto shown = [this]() -> ui::View* {
        for (const auto& modal : host_.window().modalViews())
            if (auto* alert = dynamic_cast<ui::AlertView*>(modal.get()); alert && alert->isVisible())
                return alert;
        return nullptr;
    };
    auto* alert = static_cast<ui::AlertView*>(await(shown));
    if (!alert) return fail("no alert is shown");
    if (button < 0 || button >= alert->numberOfButtons())
        return fail("the alert has no button " + std::to_string(button));
    driver_.tap(alert->buttonAtIndex(button));
    frame(ui::AlertView::kDismissSeconds);
    return true;
}

bool ScriptRunner::pressKey(const std::string& key) {
    if (key == "return") {
        driver_.pressReturn();
    } else if (key == "backspace") {
        driver_.pressBackspace();
    } else if (key == "tab") {
        // The next text field after the one being edited, in the order they are drawn.
        auto fields = driver_.findAllOfType<ui::TextField>();
        ui::View* focused = host_.window().firstResponder();
        for (std::size_t i = 0; i < fields.size(); ++i)
            if (fields[i] == focused) {
                fields[(i + 1) % fields.size()]->becomeFirstResponder();
                break;
            }
    } else {
        return fail("unknown key \"" + key + "\"");
    }
    frame(0);
    return true;
}

std::string ScriptRunner::path(const std::string& name, const char* extension) const {
    return (fs::path(outDir_) / (name + extension)).string();
}

bool ScriptRunner::runLine(const std::string& line) {
    std::vector<std::string> w = split(line, 2);
    const std::string command = w[0];
    const std::string rest = w.size() > 1 ? w[1] : "";
    std::vector<double> n;
    for (const auto& word : split(rest, 16)) {
        double value;
        if (parseNumber(word, value)) n.push_back(value);
    }
    auto needs = [&](std::size_t count) {
        return n.size() == count && split(rest, 16).size() == count;
    };

    if (command == "wait") {
        if (!needs(1) || n[0] < 0) return fail("wait takes a number of seconds");
        wait(n[0]);
    } else if (command == "tap" || command == "double-tap") {
        if (!needs(2)) return fail(command + " takes X Y");
        if (command == "tap")
            driver_.tap(ui::Point{float(n[0]), float(n[1])});
        else
            driver_.doubleTap(ui::Point{float(n[0]), float(n[1])});
        host_.afterFrame();
    } else if (command == "hold") {
        if (!needs(3)) return fail("hold takes X Y S");
        ui::Point p{float(n[0]), float(n[1])};
        driver_.touchDown(0, p);
        wait(n[2]);
        driver_.touchUp(0, p);
        frame(0);
    } else if (command == "drag") {
        if (!needs(5)) return fail("drag takes X1 Y1 X2 Y2 S");
        driver_.drag({float(n[0]), float(n[1])}, {float(n[2]), float(n[3])}, n[4],
                     std::max(2, int(n[4] * 60)));
        host_.afterFrame();
    } else if (command == "pinch") {
        if (!needs(3) || n[2] <= 0) return fail("pinch takes X Y SCALE");
        driver_.pinch({float(n[0]), float(n[1])}, 60, float(60 * n[2]));
        host_.afterFrame();
    } else if (command == "shake") {
        driver_.shake();
        host_.afterFrame();
    } else if (command == "type") {
        driver_.typeText(rest);
        frame(0);
    } else if (command == "key") {
        return pressKey(rest);
    } else if (command == "tap-text" || command == "double-tap-text") {
        return touchView(await([&] { return findText(rest); }), rest,
                         command == "tap-text" ? 1 : 2, 0);
    } else if (command == "tap-image" || command == "double-tap-image") {
        return touchView(await([&] { return findImage(rest); }), rest,
                         command == "tap-image" ? 1 : 2, 0);
    } else if (command == "hold-image") {
        std::vector<std::string> a = split(rest, 16);
        double seconds;
        if (a.size() != 2 || !parseNumber(a[1], seconds)) return fail("hold-image takes NAME S");
        return touchView(await([&] { return findImage(a[0]); }), a[0], 1, seconds);
    } else if (command == "expect-text") {
        if (!await([&] { return findText(rest); }))
            return fail("no visible view shows \"" + rest + "\"");
    } else if (command == "expect-no-text") {
        bool gone = false;
        for (double waited = 0; waited <= kExpectSeconds; waited += ui::TestDriver::kFrame) {
            if (!findText(rest)) {
                gone = true;
                break;
            }
            wait(ui::TestDriver::kFrame);
        }
        if (!gone) return fail("\"" + rest + "\" is still shown");
    } else if (command == "expect-image") {
        if (!await([&] { return findImage(rest); }))
            return fail("no visible view shows the picture \"" + rest + "\"");
    } else if (command == "alert-button") {
        if (!needs(1)) return fail("alert-button takes a button number");
        return answerAlert(int(n[0]));
    } else if (command == "location") {
        if (rest == "none") {
            scriptNextLocation(std::nullopt);
        } else {
            if (!needs(2)) return fail("location takes LAT LON or none");
            scriptNextLocation(std::make_pair(n[0], n[1]));
        }
    } else if (command == "pick-photo") {
        if (rest.empty() || !fs::is_regular_file(rest)) return fail("no picture file \"" + rest + "\"");
        scriptNextPick(rest);
    } else if (command == "pick-cancel") {
        scriptNextPick(std::nullopt);
    } else if (command == "shot") {
        if (rest.empty()) return fail("shot takes a name");
        if (!driver_.screenshot(path(rest, ".png"))) return fail("cannot write the screenshot");
    } else if (command == "dump") {
        if (rest.empty()) return fail("dump takes a name");
        std::ofstream out(path(rest, ".json"));
        out << dumpViewTree(host_.window(), driver_) << '\n';
        if (!out) return fail("cannot write the dump");
    } else if (command == "audio") {
        if (rest.empty()) return fail("audio takes a name");
        if (!host_.recording()) return fail("no recorded audio in a window");
        zplatform::AudioRecording r = host_.recording()->takeRecording();
        zplatform::WavFile wav;
        if (!wav.open(path(rest, ".wav"), r.sampleRate, 2) ||
            !wav.write(r.samples.data(), static_cast<int64_t>(r.frames())) || !wav.close())
            return fail("cannot write the audio");
    } else if (command == "quit") {
        host_.quit();
        quit_ = true;
    } else {
        return fail("unknown command \"" + command + "\"");
    }
    return true;
}

} // namespace zephrun
