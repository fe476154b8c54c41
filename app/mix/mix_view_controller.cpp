#include "app/mix/mix_view_controller.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <numbers>

#include "app/home/home_view_controller.h"
#include "app/mix/mix_export.h"
#include "app/mix/mix_texts.h"
#include "app/mix/mix_view.h"
#include "app/shell/app_log.h"
#include "app/shell/shell_texts.h"
#include "app/shell/zephrun_app_delegate.h"
#include "app/zephrun_configuration.h"
#include "platform/notification_center.h"
#include "platform/text_date.h"
#include "platform/ui/button.h"
#include "platform/ui/image.h"
#include "platform/ui/image_view.h"
#include "platform/ui/label.h"
#include "platform/ui/system_services.h"
#include "platform/ui/window.h"
#include "player/mxp4reader.h"

namespace fs = std::filesystem;

namespace zephrun {

namespace {

namespace L = mixtexts::layout;

// The screen's view hands the volume drag to the controller.
class MixScreenView : public ui::View {
  public:
    explicit MixScreenView(MixViewController& controller)
        : ui::View(ui::Rect(0, 0, 320, 480)), controller_(controller) {}
    void touchesMoved(const ui::TouchSet& t, const ui::Event& e) override {
        controller_.touchesMoved(t, e);
    }
    std::string_view className() const override { return "MixScreenView"; }

  private:
    MixViewController& controller_;
};

std::shared_ptr<ui::Label> label(const ui::Rect& frame, float size) {
    auto l = std::make_shared<ui::Label>(frame);
    l->setFont(ui::Font::named("Trebuchet MS", size));
    l->setTextColor(ui::Color::white());
    l->setBackgroundColor(ui::Color::clear());
    return l;
}

std::shared_ptr<ui::ImageView> image(const char* name, const ui::Rect& frame) {
    auto v = std::make_shared<ui::ImageView>(ui::imageNamed(name));
    v->setFrame(frame);
    return v;
}

// The package in the mix directory, copied there first when only the application package has
// it; false when neither has it.
bool ensurePackage(const std::string& path, const fs::path& shipped) {
    std::error_code ec;
    if (fs::is_regular_file(path, ec)) return true;
    if (!fs::is_regular_file(shipped, ec)) return false;
    fs::create_directories(fs::path(path).parent_path(), ec);
    const std::string partial = path + ".part";
    fs::copy_file(shipped, partial, fs::copy_options::overwrite_existing, ec);
    if (!ec) fs::rename(partial, path, ec);
    return !ec;
}

std::string trimmedOfBlanks(const std::string& s) {
    std::string out;
    for (char c : s)
        if (c != ' ' && c != '\n' && c != '\t' && c != '\r') out += c;
    return out;
}

} // namespace

MixViewController::MixViewController(ZephrunAppDelegate& appDelegate)
    : SectionController(appDelegate) {
    progressSource_ = [this] { return this->appDelegate.audioMixgetProgress(); };
}

MixViewController::~MixViewController() {
    zplatform::NotificationCenter::defaultCenter().removeObserver(this);
    if (sheet_) sheet_->setDelegate(nullptr);
}

std::uint32_t MixViewController::random() {
    return appDelegate.environment().random();
}

std::string MixViewController::packagePath() const {
    return appDelegate.mixDirectory() + mixtexts::kPackage + ".mxp4";
}

std::shared_ptr<ui::View> MixViewController::loadView() {
    return std::make_shared<MixScreenView>(*this);
}

// --- Opening ---

void MixViewController::viewDidLoad() {
    view().setBackgroundColor(ui::Color::black());
    const bool present =
        ensurePackage(packagePath(), fs::path(appDelegate.packageDirectory()) /
                                         (std::string(mixtexts::kPackage) + ".mxp4"));
    std::optional<std::vector<std::string>> skins;
    if (present) skins = zplayer::packageSkinNames(packagePath());
    if (skins) variants_ = variantsOf(*skins);
    if (variants_.empty()) {
        // A package that does not load is as good as missing: a new download may mend it. One
        // that loads without a usable variant has nothing to offer but the way out.
        showPlaceholder(!skins.has_value());
        return;
    }
    makeMiddle();
    makeHeader();
    makeFooter();
    view().setMultipleTouchEnabled(true);
    updateLevelVolume(appDelegate.window().services().musicVolume());
    appDelegate.log().record("mix", "table " + std::to_string(variants_.size()) + " variants");
}

void MixViewController::showPlaceholder(bool proposeDownload) {
    placeholder_ = true;
    const bool french = isFrench();
    placeholderImage_ =
        std::make_shared<ui::ImageView>(ui::imageNamed(mixtexts::kPlaceholder.in(french)));
    placeholderImage_->setFrame({0, 0, 320, 480});
    view().addSubview(placeholderImage_);
    // The placeholder has no bars around it: without its own exit the user would be stuck.
    exitButton_ = std::make_shared<ui::Button>(L::kExit);
    exitButton_->setImage(ui::imageNamed(mixtexts::kExitImage.in(french)));
    exitButton_->addTarget([this](ui::Control&) { returnToHome(); },
                           ui::ControlEvent::TouchUpInside);
    view().addSubview(exitButton_);
    view().setMultipleTouchEnabled(false);
    appDelegate.log().record("mix", "placeholder");
    ZephrunConfiguration& config = appDelegate.myConfig();
    // The download asks url_mix_2010 first: either address is enough to propose it.
    const bool hasAddress = !config.url_mix().empty() || config.url_mix_2010().has_value();
    if (proposeDownload && hasAddress)
        appDelegate.showAlert(mixtexts::kDownloadTitle, mixtexts::kDownloadMessage.in(french),
                              ZephrunAppDelegate::kTagMixDownload, texts::kNo.in(french),
                              {texts::kYes.in(french)});
}

std::vector<MixViewController::Variant>
MixViewController::variantsOf(const std::vector<std::string>& skinNames) {
    std::vector<Variant> out;
    const int n = std::min(static_cast<int>(skinNames.size()), MixView::kMaxVariants);
    for (int i = 0; i < n; ++i)
        if (!trimmedOfBlanks(skinNames[static_cast<size_t>(i)]).empty())
            out.push_back({skinNames[static_cast<size_t>(i)], i});
    return out;
}

std::vector<std::string> MixViewController::mixPreload(const std::string& name) {
    std::vector<std::string> names;
    if (auto skins = zplayer::packageSkinNames(appDelegate.mixDirectory() + name + ".mxp4"))
        for (const Variant& v : variantsOf(*skins)) names.push_back(v.name);
    return names;
}

void MixViewController::makeMiddle() {
    myTableMix_ = std::make_shared<MixView>([this] { return random(); });
    myTableMix_->userChanged = [this] { userTookOver(); };
    view().addSubview(myTableMix_);
    std::vector<std::string> names;
    for (const Variant& v : variants_) names.push_back(v.name);
    myTableMix_->generateBoxWithTracksName(names);
    view().addSubview(image(mixtexts::kMiddleLeft, L::kMiddleLeft));
    view().addSubview(image(mixtexts::kMiddleRight, L::kMiddleRight));

    myViewLevel_ =
        std::make_shared<ui::View>(ui::Rect(L::kVolumeLeft, L::kVolumeTop, L::kLevelWidth, 0));
    myViewLevel_->setBackgroundColor(appDelegate.tintColor());
    myViewLevel_->setUserInteractionEnabled(false);
    view().addSubview(myViewLevel_);
}

void MixViewController::makeHeader() {
    view().addSubview(image(mixtexts::kHeader, L::kHeader));
    for (size_t i = 0; i < variants_.size(); ++i) {
        const float x = L::kNameX - L::kColumn * static_cast<float>(i);
        // Written upwards along the column: a wide label turned a quarter turn.
        auto name = label({0, 0, L::kNameHeight, L::kColumn}, 12);
        name->setText(variants_[i].name);
        name->setTextAlignment(ui::TextAlignment::Left);
        name->setCenter({x + L::kColumn / 2, L::kNameY + L::kNameHeight / 2});
        name->setTransform(ui::Transform::rotation(-std::numbers::pi_v<float> / 2));
        view().addSubview(name);
        listNameTracks_.push_back(name);

        auto lock =
            std::make_shared<ui::Button>(ui::Rect(x, L::kLockY, L::kColumn, L::kLockHeight));
        lock->setImage(ui::imageNamed(mixtexts::kLockOff));
        const int variant = static_cast<int>(i);
        lock->addTarget([this, variant](ui::Control&) { clickOnCadena(variant); },
                        ui::ControlEvent::TouchUpInside);
        view().addSubview(lock);
        listCadenaTracks_.push_back(lock);
    }
    exitButton_ = std::make_shared<ui::Button>(L::kExit);
    exitButton_->addTarget([this](ui::Control&) { returnToHome(); },
                           ui::ControlEvent::TouchUpInside);
    view().addSubview(exitButton_);
    recipeButton_ = std::make_shared<ui::Button>(L::kRecipe);
    recipeButton_->setTitleFont(ui::Font::named("Trebuchet MS", 13));
    recipeButton_->setTitleColor(ui::Color::white());
    recipeButton_->setBackgroundColor(appDelegate.tintColor());
    recipeButton_->addTarget([this](ui::Control&) { showRecipeMenu(); },
                             ui::ControlEvent::TouchUpInside);
    view().addSubview(recipeButton_);
    playButton_ = std::make_shared<ui::Button>(L::kPlay);
    playButton_->setTag(kPlayTag);
    playButton_->setImage(ui::imageNamed(mixtexts::kPlayImage));
    playButton_->addTarget([this](ui::Control&) { clickOnPlayer(); },
                           ui::ControlEvent::TouchUpInside);
    view().addSubview(playButton_);
    // Two lines of the footer: the French instruction needs a smaller size than the song title.
    instruction_ = label(L::kInstruction, 12);
    instruction_->setTag(kInstructionTag);
    instruction_->setNumberOfLines(2);
    instruction_->setLineBreakMode(ui::LineBreakMode::WordWrap);
}

void MixViewController::makeFooter() {
    view().addSubview(image(mixtexts::kFooter, L::kFooter));
    auto animated = std::make_shared<ui::ImageView>(L::kEqualizerStill);
    std::vector<ui::Image> frames;
    for (const char* name : mixtexts::kEqualizerFrames) frames.push_back(ui::imageNamed(name));
    animated->setAnimationImages(std::move(frames));
    animated->setAnimationDuration(1.0);
    animated->setTag(kEqualizerAnimatedTag);
    view().addSubview(animated);
    auto still = image(mixtexts::kEqualizerOff, L::kEqualizerStill);
    still->setTag(kEqualizerStillTag);
    view().addSubview(still);
    nameLabel_ = label(L::kSongTitle, 14);
    nameLabel_->setTag(kNameTag);
    view().addSubview(nameLabel_);
    view().addSubview(instruction_);
    view().addSubview(image(mixtexts::kLogo, L::kLogoFrame));
    exportTrack_ = std::make_shared<ui::View>(L::kExportTrack);
    exportTrack_->setBackgroundColor(ui::Color::gray(0.3f));
    exportTrack_->setHidden(true);
    exportFill_ = std::make_shared<ui::View>(ui::Rect(0, 0, 0, L::kExportTrack.height()));
    exportFill_->setBackgroundColor(appDelegate.tintColor());
    exportTrack_->addSubview(exportFill_);
    view().addSubview(exportTrack_);
    applyLanguage();
}

void MixViewController::applyLanguage() {
    const bool french = isFrench();
    if (placeholder_) {
        placeholderImage_->setImage(ui::imageNamed(mixtexts::kPlaceholder.in(french)));
        exitButton_->setImage(ui::imageNamed(mixtexts::kExitImage.in(french)));
        return;
    }
    exitButton_->setImage(ui::imageNamed(mixtexts::kExitImage.in(french)));
    recipeButton_->setTitle(mixtexts::kRecipeButton.in(french));
    instruction_->setText(mixtexts::kInstruction.in(french));
    nameLabel_->setText(currentNameMix_.empty() ? mixtexts::kSongTitle.in(french)
                                                : currentNameMix_);
}

void MixViewController::toggleLanguage() {
    if (isViewLoaded()) applyLanguage();
}

// --- Playing ---

int MixViewController::skinOf(int variant) const {
    if (variant < 0 || variant >= static_cast<int>(variants_.size())) return -1;
    return variants_[static_cast<size_t>(variant)].skin;
}

int MixViewController::variantOfSkin(int skin) const {
    for (size_t i = 0; i < variants_.size(); ++i)
        if (variants_[i].skin == skin) return static_cast<int>(i);
    return -1;
}

void MixViewController::handOver(int variant) {
    handedVariant_ = variant;
    ++handOvers_;
    appDelegate.audioMixChangeTrack(skinOf(variant));
}

void MixViewController::mixStart(const std::string& name) {
    zplatform::NotificationCenter::defaultCenter().addObserver(
        this, zplayer::mxp4reader::kTableNotice,
        [this](const zplatform::Notification&) { scheduleMix(); }, this);
    observing_ = true;
    const std::int32_t seed = nextSeed_ ? *nextSeed_ : static_cast<std::int32_t>(random());
    nextSeed_.reset();
    lastRecipe_.reset();
    const std::optional<zplayer::MixRecipe> replay = replay_;
    const int tracks = appDelegate.audioMixStart(name, skinOf(myTableMix_->currentActive),
                                                 [seed, replay](zplayer::mxp4reader& player) {
                                                     if (replay)
                                                         player.replay(*replay);
                                                     else
                                                         player.setSeed(seed);
                                                 });
    if (tracks == 0) {
        // Nothing plays: the button must say so, and nothing is left listening.
        appDelegate.log().record("mix", "start failed");
        zplatform::NotificationCenter::defaultCenter().removeObserver(this);
        observing_ = false;
        playing_ = false;
        playButton_->setImage(ui::imageNamed(mixtexts::kPlayImage));
        equalizerOff();
    }
}

void MixViewController::mixStop() {
    if (zplayer::mxp4reader* player = appDelegate.myAudioMix(); player && playing_) {
        zplayer::MixRecipe r = player->recipe();
        if (!r.variants.empty()) {
            r.package = mixtexts::kPackage;
            r.lock = myTableMix_ ? skinOf(myTableMix_->numVerrou) : -1;
            lastRecipe_ = r;
        }
    }
    appDelegate.audioMixStop();
    zplatform::NotificationCenter::defaultCenter().removeObserver(this);
    observing_ = false;
    playing_ = false;
    replay_.reset();
    if (!myTableMix_) return;
    myTableMix_->plannedVariant = {};
    playButton_->setImage(ui::imageNamed(mixtexts::kPlayImage));
    myTableMix_->returnToInit();
    equalizerOff();
}

void MixViewController::mixPlay() {
    appDelegate.audioMixPlay();
}
void MixViewController::mixPause() {
    appDelegate.audioMixPause();
}

void MixViewController::clickOnPlayer() {
    if (!myTableMix_) return;
    if (!playing_) {
        startDate_ = zplatform::protocolDate();
        playing_ = true;
        playButton_->setImage(ui::imageNamed(mixtexts::kPauseImage));
        appDelegate.log().record("mix", "play");
        mixStart(mixtexts::kPackage);
        if (playing_) equalizerOn();
        return;
    }
    playButton_->setImage(ui::imageNamed(mixtexts::kPlayImage));
    appDelegate.sendEventWithID(appDelegate.myConfig().values().id_event_mix, currentNameMix_,
                                startDate_);
    appDelegate.log().record("mix", "stop");
    mixStop();
    equalizerOff();
}

void MixViewController::setLockImages(int lockedVariant) {
    for (size_t i = 0; i < listCadenaTracks_.size(); ++i)
        listCadenaTracks_[i]->setImage(ui::imageNamed(
            static_cast<int>(i) == lockedVariant ? mixtexts::kLockOn : mixtexts::kLockOff));
}

ui::Button* MixViewController::lockButton(int variant) {
    if (variant < 0 || variant >= static_cast<int>(listCadenaTracks_.size())) return nullptr;
    return listCadenaTracks_[static_cast<size_t>(variant)].get();
}

void MixViewController::clickOnCadena(int variant) {
    if (!myTableMix_ || !lockButton(variant)) return;
    userTookOver();
    if (myTableMix_->numVerrou != variant) {
        setLockImages(variant);
        myTableMix_->numVerrou = variant;
        myTableMix_->setAllBoxesTracks(variant);
        handOver(myTableMix_->getNextTrack());
        appDelegate.log().record("mix", "lock " + variants_[static_cast<size_t>(variant)].name);
    } else {
        setLockImages(-1);
        myTableMix_->numVerrou = -1;
        appDelegate.log().record("mix", "unlock");
    }
}

void MixViewController::userTookOver() {
    if (!replay_) return;
    // The user steers again: the grid draws its slots and hands its variants over as usual.
    replay_.reset();
    myTableMix_->plannedVariant = {};
    appDelegate.log().record("mix", "replay ended");
}

void MixViewController::scheduleMix() {
    if (!myTableMix_) return;
    const std::optional<float> progress = progressSource_ ? progressSource_() : std::nullopt;
    if (!progress || !(*progress > 0)) return;
    const float p = std::min(*progress, 1.0f);
    // While a recipe replays, the player applies its variants itself.
    if (p > kHandOver && !replay_) handOver(myTableMix_->getNextTrack());
    myTableMix_->updateProgress(p);
    ui::View& bar1 = myTableMix_->viewColor1();
    ui::View& bar2 = myTableMix_->viewColor2();
    const float y = myTableMix_->oldValueProgress * -MixView::kBarHeight;
    bar1.setFrame({bar1.frame().x(), y, bar1.frame().width(), bar1.frame().height()});
    bar2.setFrame(
        {bar2.frame().x(), y + bar1.frame().height(), bar2.frame().width(), bar2.frame().height()});
    if (myTableMix_->oldValueProgress == 0) {
        myTableMix_->updateColorEqua(bar1, myTableMix_->currentActive);
        myTableMix_->updateColorEqua(bar2, myTableMix_->getNextTrack());
    }
}

void MixViewController::updateLevelVolume(float volume) {
    if (!myViewLevel_) return;
    const float v = std::clamp(volume, 0.0f, 1.0f);
    ui::Rect f = myViewLevel_->frame();
    myViewLevel_->setFrame({f.x(), f.y(), f.width(), v * L::kVolumeHeight});
}

void MixViewController::updateCurrentNameMix(const std::string& name) {
    currentNameMix_ = name;
    if (nameLabel_) nameLabel_->setText(name);
}

void MixViewController::equalizerOn() {
    if (ui::View* still = view().viewWithTag(kEqualizerStillTag)) still->setHidden(true);
    if (auto* eq = view().viewWithTagAs<ui::ImageView>(kEqualizerAnimatedTag)) eq->startAnimating();
}

void MixViewController::equalizerOff() {
    if (ui::View* still = view().viewWithTag(kEqualizerStillTag)) still->setHidden(false);
    if (auto* eq = view().viewWithTagAs<ui::ImageView>(kEqualizerAnimatedTag)) eq->stopAnimating();
}

void MixViewController::touchesMoved(const ui::TouchSet& touches, const ui::Event&) {
    if (touches.empty() || !myTableMix_) return;
    const ui::Point at = touches.front()->locationInView(&view());
    if (!(at.y > L::kVolumeTop && at.y < L::kVolumeTop + L::kVolumeHeight &&
          at.x > L::kVolumeLeft && at.x < L::kVolumeRight))
        return;
    const float v = (at.y - L::kVolumeTop) / L::kVolumeHeight;
    if (std::fabs(oldValueVolume_ - v) <= L::kVolumeStep) return;
    oldValueVolume_ = v;
    appDelegate.audioMixsetVolume(v);
}

void MixViewController::returnToHome() {
    mixStop();
    appDelegate.hideMix();
    appDelegate.showHomePage();
    if (HomeViewController* home = appDelegate.myHome()) {
        home->showSlider();
        home->showLigne();
    }
}

// --- Recipes and export ---

std::optional<zplayer::MixRecipe> MixViewController::currentRecipe() {
    if (!myTableMix_) return std::nullopt;
    if (zplayer::mxp4reader* player = appDelegate.myAudioMix(); player && playing_) {
        zplayer::MixRecipe r = player->recipe();
        if (!r.variants.empty()) {
            r.package = mixtexts::kPackage;
            r.lock = skinOf(myTableMix_->numVerrou);
            return r;
        }
    }
    if (lastRecipe_) return lastRecipe_;
    // Nothing played yet: the grid as it stands, from the state the next play will start with.
    if (!nextSeed_) nextSeed_ = static_cast<std::int32_t>(random());
    zplayer::MixRecipe r;
    r.package = mixtexts::kPackage;
    r.seed = *nextSeed_;
    for (int j = 0; j < MixView::kSlots; ++j)
        r.variants.push_back(skinOf(myTableMix_->litVariant(j)));
    r.lock = skinOf(myTableMix_->numVerrou);
    return r;
}

void MixViewController::copyRecipe() {
    const std::optional<zplayer::MixRecipe> r = currentRecipe();
    if (!r) return;
    const std::string text = r->toText();
    appDelegate.window().services().setPasteboardString(text);
    appDelegate.log().record("mix", "recipe copied " + text);
    appDelegate.showAlert(mixtexts::kRecipeCopied.in(isFrench()) + "\n\n" + text);
}

bool MixViewController::pasteRecipe() {
    const std::string text = appDelegate.window().services().pasteboardString();
    std::optional<zplayer::MixRecipe> r = zplayer::MixRecipe::fromText(text);
    if (!r || !openRecipe(*r)) {
        appDelegate.log().record("mix", "recipe refused");
        appDelegate.showAlert(mixtexts::kRecipeInvalid.in(isFrench()));
        return false;
    }
    return true;
}

bool MixViewController::openRecipe(const zplayer::MixRecipe& recipe) {
    if (!myTableMix_ || recipe.package != mixtexts::kPackage || recipe.variants.empty())
        return false;
    auto fits = [this](int skin) { return skin < 0 || variantOfSkin(skin) >= 0; };
    if (!std::all_of(recipe.variants.begin(), recipe.variants.end(), fits) || !fits(recipe.lock))
        return false;
    if (playing_) mixStop();
    replay_ = recipe;
    const int lock = variantOfSkin(recipe.lock);
    myTableMix_->numVerrou = lock;
    setLockImages(lock);
    myTableMix_->plannedVariant = [this](int shifted, int slot) {
        if (!replay_) return -1;
        const size_t section = static_cast<size_t>(shifted) + static_cast<size_t>(slot);
        const int skin = section < replay_->variants.size() ? replay_->variants[section]
                                                            : replay_->variantAfter();
        return variantOfSkin(skin);
    };
    myTableMix_->returnToInit();
    myTableMix_->generateShuffleBoxes();
    updateCurrentNameMix(mixtexts::kRecipeName.in(isFrench()));
    appDelegate.log().record("mix", "recipe opened " + recipe.toText());
    clickOnPlayer();
    return playing_;
}

bool MixViewController::isExporting() const {
    return export_ && export_->isRunning();
}

bool MixViewController::exportMix() {
    const bool french = isFrench();
    if (isExporting()) {
        appDelegate.showAlert(mixtexts::kExportBusy.in(french));
        return false;
    }
    const std::optional<zplayer::MixRecipe> r = currentRecipe();
    if (!r) return false;
    const std::string directory = exportDirectory_.empty() ? musicDirectory() : exportDirectory_;
    if (directory.empty()) {
        appDelegate.showAlert(mixtexts::kExportFailed.in(french));
        return false;
    }
    if (!export_) export_ = std::make_unique<MixExport>();
    const std::string out = exportFileName(directory, r->package);
    exportProgress_ = 0;
    exportTrack_->setHidden(false);
    exportFill_->setFrame({0, 0, 0, L::kExportTrack.height()});
    appDelegate.log().record("mix", "export " + r->toText());
    export_->start(
        packagePath(), *r, out,
        [this](double fraction) {
            exportProgress_ = fraction;
            exportFill_->setFrame({0, 0, static_cast<float>(fraction) * L::kExportTrack.width(),
                                   L::kExportTrack.height()});
        },
        [this](bool ok, const std::string& result) {
            exportTrack_->setHidden(true);
            exportProgress_ = ok ? 1 : 0;
            appDelegate.log().record("mix", (ok ? "exported " : "export failed: ") + result);
            const bool fr = isFrench();
            appDelegate.showAlert(ok ? mixtexts::kExportDone.in(fr) + result
                                     : mixtexts::kExportFailed.in(fr));
        });
    return true;
}

void MixViewController::showRecipeMenu() {
    const bool french = isFrench();
    if (sheet_) sheet_->setDelegate(nullptr);
    ui::ActionSheetDelegate* delegate = this;
    sheet_ = std::make_shared<ui::ActionSheet>(
        mixtexts::kRecipeSheetTitle.in(french), delegate, mixtexts::kCancel.in(french), "",
        std::vector<std::string>{mixtexts::kCopyRecipe.in(french),
                                 mixtexts::kPasteRecipe.in(french),
                                 mixtexts::kExportWav.in(french)});
    sheet_->showInView(view());
}

void MixViewController::clickedButtonAtIndex(ui::ActionSheet&, int buttonIndex) {
    switch (buttonIndex) {
    case 0:
        copyRecipe();
        break;
    case 1:
        pasteRecipe();
        break;
    case 2:
        exportMix();
        break;
    default:
        break;
    }
}

} // namespace zephrun
