// ScriptRunner: drives the application headless from a script, one command per line, and
// writes what it is asked to (screenshots, view dumps, audio) into an output directory.
//
//   wait S                      let S seconds pass (frames paced to the wall clock, so requests,
//                               worker threads and players keep up with the interface)
//   tap X Y | double-tap X Y | hold X Y S | drag X1 Y1 X2 Y2 S | pinch X Y SCALE | shake
//   type TEXT | key return|backspace|tab
//   tap-text TEXT | double-tap-text TEXT | tap-image NAME | double-tap-image NAME
//   hold-image NAME S           touch the front-most visible view showing it (within 5 s)
//   expect-text TEXT | expect-no-text TEXT | expect-image NAME      (within 5 s)
//   alert-button N              answer the alert on screen with its button N (within 5 s)
//   location LAT LON | location none        what the location service answers next
//   pick-photo FILE | pick-cancel           what the picture chooser answers next
//   shot NAME | dump NAME | audio NAME      DIR/NAME.png, .json, .wav
//   quit                        the application's orderly end
//
// Coordinates are window points; "#" starts a comment. Threads: the interface thread.
#pragma once

#include <functional>
#include <istream>
#include <string>
#include <vector>

namespace ui {
class TestDriver;
class View;
} // namespace ui

namespace zephrun {

class AppHost;

class ScriptRunner {
  public:
    static constexpr double kExpectSeconds = 5.0;

    ScriptRunner(AppHost& host, ui::TestDriver& driver, std::string outDir);

    // Runs every line; false at the first failing line (error() says which and why).
    bool run(std::istream& script);
    // One line (without its number); false with error() set when it fails.
    bool runLine(const std::string& line);
    const std::string& error() const { return error_; }
    bool quitRequested() const { return quit_; }

    // Lets `seconds` pass in frames, paced to the wall clock.
    void wait(double seconds);
    // The front-most visible view that shows `text` (label text, button title, field content)
    // or the picture `image`; null when none does.
    ui::View* findText(const std::string& text);
    ui::View* findImage(const std::string& name);

    // The words of a line, with the rest of the line as the last word for text commands.
    static std::vector<std::string> split(const std::string& line, std::size_t maxWords);

  private:
    bool fail(std::string reason);
    // Waits up to kExpectSeconds for `find` to give a view.
    ui::View* await(const std::function<ui::View*()>& find);
    bool touchView(ui::View* view, const std::string& what, int taps, double hold);
    bool answerAlert(int button);
    bool pressKey(const std::string& key);
    void frame(double seconds);
    std::string path(const std::string& name, const char* extension) const;

    AppHost& host_;
    ui::TestDriver& driver_;
    std::string outDir_;
    std::string error_;
    bool quit_ = false;
};

} // namespace zephrun
