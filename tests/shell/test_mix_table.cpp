// The mix table: the grid rules on a progress the test feeds, then with the real player; the
// volume drag; recipes and export; a package without variants; the package download.
#include "app_fixture.h"

#include <chrono>
#include <fstream>
#include <thread>

#include "app/home/home_view_controller.h"
#include "app/mix/mix_view.h"
#include "app/mix/mix_view_controller.h"
#include "app/shell/app_log.h"
#include "app/zephrun_configuration.h"
#include "platform/ui/button.h"
#include "platform/ui/label.h"
#include "platform/ui/system_services.h"
#include "player/mxp4reader.h"

using namespace apptest;
using zephrun::MixView;
using zephrun::MixViewController;

namespace {

// Answers what the launch showed (the server's notification), then opens the mix section.
MixViewController& openMix(AppRun& r) {
    for (int i = 0; i < 3 && r.answerAlert(0); ++i) {
    }
    r.app().showMix();
    r.advance(0.5);
    return *r.app().myMixView();
}

std::vector<int> slots(const MixView& grid) {
    std::vector<int> v;
    for (int j = 0; j < MixView::kSlots; ++j) v.push_back(grid.litVariant(j));
    return v;
}

// The download and the export run on threads of their own, in real time: frames are turned
// until `done` or `seconds` of real time passed.
bool waitFor(AppRun& r, const std::function<bool()>& done, double seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        r.advance(1.0 / 60);
    }
    return true;
}

bool logged(AppRun& r, const std::string& kind, const std::string& prefix) {
    for (const auto& line : r.log().linesOf(kind))
        if (line.rfind(prefix, 0) == 0) return true;
    return false;
}

} // namespace

TEST(MixTable, GridFollowsTheSectionsLocksAndHandsTheNextVariantFrom75Percent) {
    AppRun r;
    ASSERT_TRUE(r.launch());
    MixViewController& mix = openMix(r);
    ASSERT_FALSE(mix.isShowingPlaceholder());
    ASSERT_EQ(mix.variants().size(), 5u);
    EXPECT_EQ(mix.variants()[4].name, "Planant");
    MixView& grid = *mix.myTableMix();
    for (int v : slots(grid)) EXPECT_TRUE(v >= 0 && v < 5);
    EXPECT_EQ(grid.currentActive, grid.litVariant(0));

    std::optional<float> progress;
    mix.setProgressSource([&] { return progress; });
    // Nothing known yet, or nothing heard: nothing moves.
    mix.scheduleMix();
    progress = 0;
    mix.scheduleMix();
    EXPECT_EQ(grid.oldValueProgress, -1);

    progress = 0.5f;
    mix.scheduleMix();
    EXPECT_EQ(mix.handOverCount(), 0);
    EXPECT_EQ(grid.viewBoxes().frame().y(), 19); // floor(36 - 34 * 0.5)
    progress = 0.76f;
    mix.scheduleMix();
    progress = 0.9f;
    mix.scheduleMix();
    EXPECT_EQ(mix.handOverCount(), 2); // on every tick past 75 %
    EXPECT_EQ(mix.handedVariant(), grid.getNextTrack());

    // A smaller fraction: the next section began, the slots move up and one is drawn.
    const std::vector<int> before = slots(grid);
    progress = 0.1f;
    mix.scheduleMix();
    const std::vector<int> after = slots(grid);
    EXPECT_TRUE(std::equal(before.begin() + 1, before.end(), after.begin()));
    EXPECT_EQ(grid.currentActive, before[1]);
    EXPECT_EQ(grid.sectionsShifted(), 1);
    EXPECT_EQ(grid.viewBoxes().frame().y(), 36); // the new section starts from the top
    EXPECT_EQ(grid.viewColor1().backgroundColor(), MixView::variantColor(before[1]));

    // A lock lights its variant in every coming slot and in every slot appended after it.
    ASSERT_TRUE(r.driver->tap(mix.lockButton(2)));
    EXPECT_EQ(r.driver->imageName(mix.lockButton(2)), "mix-cadenas-on.png");
    EXPECT_EQ(mix.handedVariant(), 2);
    for (int round = 0; round < 3; ++round) {
        progress = 0.8f;
        mix.scheduleMix();
        progress = 0.05f;
        mix.scheduleMix();
    }
    EXPECT_EQ(slots(grid), std::vector<int>(MixView::kSlots, 2));
    ASSERT_TRUE(r.driver->tap(mix.lockButton(2)));
    EXPECT_EQ(grid.numVerrou, -1);
    EXPECT_EQ(r.driver->imageName(mix.lockButton(2)), "mix-cadenas-off.png");

    // A tapped box lights its variant in its slot.
    ASSERT_TRUE(r.driver->tap(grid.box(4, 3)));
    EXPECT_EQ(grid.litVariant(3), 4);
}

TEST(MixTable, VolumeDragMovesTheVolumeOnlyByMoreThanAStep) {
    AppRun r;
    ASSERT_TRUE(r.launch());
    MixViewController& mix = openMix(r);
    r.host->window().services().setMusicVolume(0.5f);
    r.driver->touchDown(0, {278, 186});
    r.driver->touchMove(0, {278, 200}); // 0.075: within the step from 0
    EXPECT_FLOAT_EQ(mix.oldValueVolume(), 0);
    EXPECT_FLOAT_EQ(r.host->window().services().musicVolume(), 0.5f);
    r.driver->touchMove(0, {278, 230}); // 0.2
    EXPECT_FLOAT_EQ(mix.oldValueVolume(), 0.2f);
    EXPECT_FLOAT_EQ(r.host->window().services().musicVolume(), 0.2f);
    r.driver->touchMove(0, {278, 260}); // 0.325: within the step from 0.2
    EXPECT_FLOAT_EQ(r.host->window().services().musicVolume(), 0.2f);
    r.driver->touchMove(0, {310, 400}); // outside the area
    EXPECT_FLOAT_EQ(r.host->window().services().musicVolume(), 0.2f);
    r.driver->touchUp(0);
    mix.updateLevelVolume(0.5f);
    EXPECT_EQ(mix.levelBar()->frame().height(), 120);
}

TEST(MixTable, PlaysWithThePlayerFollowsALockAndStopsWithTheEvent) {
    AppRun r;
    ASSERT_TRUE(r.launch());
    MixViewController& mix = openMix(r);
    ui::View* play = mix.view().viewWithTag(MixViewController::kPlayTag);
    ASSERT_TRUE(r.driver->tap(play));
    EXPECT_EQ(r.driver->imageName(play), "mix-bt-pause.png");
    ASSERT_NE(r.app().myAudioMix(), nullptr);
    EXPECT_TRUE(mix.view().viewWithTag(MixViewController::kEqualizerStillTag)->isHidden());
    ASSERT_TRUE(r.driver->tap(mix.lockButton(3)));
    // The player's notices drive the grid: sections pass, and the engine plays the locked variant.
    ASSERT_TRUE(r.advanceUntil([&] { return mix.myTableMix()->sectionsShifted() >= 3; }, 30));
    EXPECT_EQ(mix.myTableMix()->currentActive, 3);
    const std::optional<zplayer::MixRecipe> playing = mix.currentRecipe();
    ASSERT_TRUE(playing);
    EXPECT_EQ(playing->variants.back(), 3);
    EXPECT_EQ(playing->lock, 3);

    ASSERT_TRUE(r.driver->tap(play));
    EXPECT_EQ(r.driver->imageName(play), "mix-bt-play.png");
    EXPECT_EQ(r.app().myAudioMix(), nullptr);
    EXPECT_TRUE(logged(r, "event", "204 from "));
    EXPECT_EQ(mix.myTableMix()->viewBoxes().frame().y(), 36);
    // The recipe of the mix just heard outlives the player.
    EXPECT_EQ(mix.currentRecipe()->variants, playing->variants);

    // A package that no longer loads: the mix does not start, and the button says so.
    std::ofstream(r.app().mixDirectory() + "mxt_2010.mxp4", std::ios::trunc) << "not a package";
    ASSERT_TRUE(r.driver->tap(play));
    EXPECT_EQ(r.driver->imageName(play), "mix-bt-play.png");
    EXPECT_FALSE(mix.isPlaying());
    EXPECT_TRUE(logged(r, "mix", "start failed"));
}

TEST(MixTable, RecipeCopiedPastedReplayedAndExported) {
    AppRun r;
    ASSERT_TRUE(r.launch());
    MixViewController& mix = openMix(r);
    ui::SystemServices& services = r.host->window().services();

    // Before any play: the grid as it stands.
    mix.copyRecipe();
    r.answerAlert(0);
    std::optional<zplayer::MixRecipe> copied =
        zplayer::MixRecipe::fromText(services.pasteboardString());
    ASSERT_TRUE(copied);
    EXPECT_EQ(copied->variants.size(), static_cast<size_t>(MixView::kSlots));

    services.setPasteboardString("zmix1 mxt_2010 seed=1 v=7"); // no such variant
    EXPECT_FALSE(mix.pasteRecipe());
    r.answerAlert(0);
    EXPECT_FALSE(mix.isPlaying());

    services.setPasteboardString("  zmix1 mxt_2010 seed=5 v=1*2,4*3 lock=4\n");
    ASSERT_TRUE(mix.pasteRecipe());
    EXPECT_TRUE(mix.isPlaying() && mix.isReplaying());
    EXPECT_EQ(slots(*mix.myTableMix()), (std::vector<int>{1, 1, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4}));
    EXPECT_EQ(r.driver->imageName(mix.lockButton(4)), "mix-cadenas-on.png");
    ASSERT_TRUE(r.advanceUntil([&] { return mix.myTableMix()->sectionsShifted() >= 2; }, 30));
    const std::optional<zplayer::MixRecipe> live = mix.currentRecipe();
    ASSERT_TRUE(live);
    EXPECT_EQ(live->seed, 5);
    EXPECT_EQ(std::vector<int>(live->variants.begin(), live->variants.begin() + 2),
              (std::vector<int>{1, 1}));

    // The export writes beside the playing mix, which goes on.
    ts::TempDir music;
    mix.setExportDirectory(music.path());
    ASSERT_TRUE(mix.exportMix());
    ASSERT_TRUE(waitFor(
        r, [&] { return !mix.isExporting(); }, 60));
    EXPECT_NE(r.app().myAudioMix(), nullptr);
    EXPECT_TRUE(logged(r, "mix", "exported " + music.path()));
    ASSERT_FALSE(r.alerts().empty());
    EXPECT_EQ(
        alertMessage(r.alerts().back()).rfind("Le mix est enregistré dans " + music.path(), 0), 0u);
    int files = 0;
    for (const auto& e : fs::directory_iterator(music.path()))
        files += e.path().extension() == ".wav" && fs::file_size(e.path()) > 44;
    EXPECT_EQ(files, 1);
}

TEST(MixTable, PackageWithoutVariantShowsThePlaceholderAndItsWayOut) {
    AppRun r;
    ASSERT_TRUE(r.launch());
    ts::TempDir dir;
    fs::create_directories(r.app().mixDirectory());
    fs::copy_file(ts::writeSimplePackage(dir, {}), r.app().mixDirectory() + "mxt_2010.mxp4",
                  fs::copy_options::overwrite_existing);
    for (int i = 0; i < 3 && r.answerAlert(0); ++i) {
    }
    const size_t alerts = r.alerts().size();
    MixViewController& mix = openMix(r);
    EXPECT_TRUE(mix.isShowingPlaceholder());
    EXPECT_EQ(r.alerts().size(), alerts); // the package is there: nothing to download
    ASSERT_TRUE(r.driver->tap(r.driver
                                  ->findAll([](const ui::View& v) {
                                      return dynamic_cast<const ui::Button*>(&v) != nullptr;
                                  })
                                  .front()));
    r.advance(0.5);
    EXPECT_FALSE(r.app().myMixView()->isViewVisible());
    EXPECT_TRUE(r.app().myHome()->isViewVisible());
}

TEST(MixTable, DownloadRefusedOn404ThenStoredAndShown) {
    // An application package without the mix table's package.
    ts::TempDir package;
    for (const auto& e : fs::directory_iterator(ZEPHRUN_APP_PACKAGE))
        if (e.path().filename() != "mxt_2010.mxp4")
            fs::create_symlink(e.path(), fs::path(package.path()) / e.path().filename());
    RunOptions o;
    o.packageDir = package.path();
    AppRun r(o);
    ASSERT_TRUE(r.launch());
    zephrun::ZephrunConfiguration& config = r.app().myConfig();
    const std::optional<std::string> address = config.url_mix_2010();
    ASSERT_TRUE(address);
    // No address at all: the placeholder with its way out, and nothing proposed.
    config.set_url_mix("");
    config.set_url_mix_2010(std::nullopt);
    MixViewController* mix = &openMix(r);
    EXPECT_TRUE(mix->isShowingPlaceholder());
    const size_t alerts = r.alerts().size();
    mix->returnToHome();
    r.app().destroyMixView();
    // The download asks url_mix_2010 first: that address alone is enough to propose it.
    config.set_url_mix_2010(address);
    mix = &openMix(r);
    EXPECT_TRUE(mix->isShowingPlaceholder());
    ASSERT_EQ(r.alerts().size(), alerts + 1);
    EXPECT_EQ(r.alerts().back().rfind("Zephrun : Mix | La table de mix a besoin", 0), 0u);
    r.answerAlert(1);
    ASSERT_TRUE(waitFor(
        r, [&] { return !r.app().isDownloadingMix(); }, 30));
    r.advance(0.5);
    EXPECT_EQ(alertMessage(r.alerts().back()),
              "Une erreur est survenue lors du téléchangement du fichier de Mix");
    EXPECT_EQ(r.app().myMixView(), nullptr);
    r.answerAlert(0);

    // Served now: the download shows its progress, stores the package and opens the table.
    fs::copy_file(fs::path(ZEPHRUN_APP_PACKAGE) / "mxt_2010.mxp4",
                  r.dir.file("packages/mxt_2010.mxp4"));
    mix = &openMix(r);
    r.answerAlert(1);
    bool sawProgress = false;
    ASSERT_TRUE(waitFor(
        r,
        [&] {
            // The overlay's label (also while it fades out) shows the bytes received.
            for (auto* l : r.driver->findAllOfType<ui::Label>())
                sawProgress = sawProgress || l->text().find(" Mo / ") != std::string::npos;
            return r.app().myMixView() && !r.app().myMixView()->isShowingPlaceholder();
        },
        60));
    EXPECT_TRUE(sawProgress);
    EXPECT_TRUE(fs::exists(r.app().mixDirectory() + "mxt_2010.mxp4"));
    EXPECT_EQ(r.app().myMixView()->variants().size(), 5u);
}
