// View tree: coordinates through frames, bounds offsets and transforms; hit testing; z-order;
// tags; removal; rendering order and alpha.
#include <gtest/gtest.h>

#include <numbers>

#include "platform/ui/label.h"
#include "platform/ui/window.h"
#include "recording_canvas.h"

using namespace ui;

namespace {

constexpr float kEps = 1e-3f;

void expectPoint(Point expected, Point actual) {
    EXPECT_NEAR(expected.x, actual.x, kEps);
    EXPECT_NEAR(expected.y, actual.y, kEps);
}

void expectRect(const Rect& expected, const Rect& actual) {
    EXPECT_NEAR(expected.x(), actual.x(), kEps);
    EXPECT_NEAR(expected.y(), actual.y(), kEps);
    EXPECT_NEAR(expected.width(), actual.width(), kEps);
    EXPECT_NEAR(expected.height(), actual.height(), kEps);
}

class MovingView : public View {
  public:
    using View::View;
    void didMoveToWindow() override { windows.push_back(window()); }
    std::vector<Window*> windows;
};

} // namespace

TEST(ViewCoordinates, NestedFramesAndBoundsOffsets) {
    Window window;
    auto outer = std::make_shared<View>(Rect{10, 20, 200, 200});
    auto inner = std::make_shared<View>(Rect{5, 5, 50, 50});
    auto sibling = std::make_shared<View>(Rect{100, 100, 20, 20});
    window.addSubview(outer);
    outer->addSubview(inner);
    window.addSubview(sibling);

    expectPoint({15, 25}, inner->convertPointToView({0, 0}, nullptr));
    expectPoint({1, 2}, inner->convertPointFromView({16, 27}, nullptr));
    // Sibling to sibling across levels.
    expectPoint({-85, -75}, inner->convertPointToView({0, 0}, sibling.get()));
    expectRect({15, 25, 50, 50}, inner->convertRectToView(inner->bounds(), nullptr));

    // Scrolling the content: the bounds origin moves the subviews, not the view itself.
    outer->setBounds({0, 100, 200, 200});
    expectRect({10, 20, 200, 200}, outer->frame());
    expectPoint({15, -75}, inner->convertPointToView({0, 0}, nullptr));
    expectPoint({0, 0}, inner->convertPointFromView({15, -75}, nullptr));

    // Frame, centre and bounds describe the same geometry.
    inner->setCenter({100, 100});
    expectRect({75, 75, 50, 50}, inner->frame());
    inner->setFrame({0, 0, 10, 30});
    expectPoint({5, 15}, inner->center());
    expectRect({0, 0, 10, 30}, inner->bounds());
}

TEST(ViewCoordinates, RotatedLabelConvertsAndHitTests) {
    Window window;
    auto label = std::make_shared<Label>(Rect{100, 100, 200, 40});
    label->setText("Rotated");
    label->setUserInteractionEnabled(true);
    window.addSubview(label);
    label->setTransform(Transform::rotation(std::numbers::pi_v<float> / 2));

    // A quarter turn about the centre (200, 120): the frame is the rotated bounding box.
    expectRect({180, 20, 40, 200}, label->frame());
    expectPoint({200, 120}, label->center());
    // The label's top-left corner turns clockwise to the top-right of the box.
    expectPoint({220, 20}, label->convertPointToView({0, 0}, nullptr));
    expectPoint({0, 0}, label->convertPointFromView({220, 20}, nullptr));
    expectPoint({100, 20}, label->convertPointFromView({200, 120}, nullptr));

    // Hits follow the rotated shape, not the original frame.
    EXPECT_EQ(label.get(), window.hitTest({200, 200}, nullptr));
    EXPECT_EQ(label.get(), window.hitTest({185, 30}, nullptr));
    EXPECT_EQ(&window, window.hitTest({250, 120}, nullptr));
    EXPECT_EQ(&window, window.hitTest({110, 110}, nullptr));
}

TEST(ViewHitTest, SkipsHiddenTransparentDisabledAndOutsideParent) {
    Window window;
    auto back = std::make_shared<View>(Rect{0, 0, 100, 100});
    auto front = std::make_shared<View>(Rect{50, 50, 100, 100});
    window.addSubview(back);
    window.addSubview(front);

    EXPECT_EQ(front.get(), window.hitTest({75, 75}, nullptr)); // front to back
    window.bringSubviewToFront(back.get());
    EXPECT_EQ(back.get(), window.hitTest({75, 75}, nullptr));

    back->setHidden(true);
    EXPECT_EQ(front.get(), window.hitTest({75, 75}, nullptr));
    back->setHidden(false);
    back->setAlpha(0.01f);
    EXPECT_EQ(front.get(), window.hitTest({75, 75}, nullptr));
    back->setAlpha(0.02f);
    EXPECT_EQ(back.get(), window.hitTest({75, 75}, nullptr));

    // Interaction disabled: neither the view nor its subviews take the touch.
    auto child = std::make_shared<View>(Rect{0, 0, 10, 10});
    back->addSubview(child);
    EXPECT_EQ(child.get(), window.hitTest({5, 5}, nullptr));
    back->setUserInteractionEnabled(false);
    EXPECT_EQ(&window, window.hitTest({5, 5}, nullptr));
    EXPECT_EQ(front.get(), window.hitTest({75, 75}, nullptr));
    back->setUserInteractionEnabled(true);

    // A subview outside its superview's bounds cannot be touched there.
    auto stray = std::make_shared<View>(Rect{120, 0, 30, 30});
    back->addSubview(stray);
    EXPECT_EQ(&window, window.hitTest({130, 10}, nullptr));
    EXPECT_EQ(nullptr, window.hitTest({-1, 10}, nullptr));
}

TEST(ViewHierarchy, ZOrderOperations) {
    View root({0, 0, 100, 100});
    auto a = std::make_shared<View>(), b = std::make_shared<View>(), c = std::make_shared<View>();
    root.addSubview(a);
    root.addSubview(b);
    root.addSubview(c);
    auto order = [&] {
        std::vector<View*> v;
        for (const auto& s : root.subviews()) v.push_back(s.get());
        return v;
    };
    EXPECT_EQ((std::vector<View*>{a.get(), b.get(), c.get()}), order());
    root.bringSubviewToFront(a.get());
    EXPECT_EQ((std::vector<View*>{b.get(), c.get(), a.get()}), order());
    root.sendSubviewToBack(a.get());
    EXPECT_EQ((std::vector<View*>{a.get(), b.get(), c.get()}), order());
    root.insertSubviewAbove(a, c.get()); // moving a view already there
    EXPECT_EQ((std::vector<View*>{b.get(), c.get(), a.get()}), order());
    root.insertSubviewBelow(a, b.get());
    EXPECT_EQ((std::vector<View*>{a.get(), b.get(), c.get()}), order());
    root.addSubview(a); // adding again brings to the top
    EXPECT_EQ((std::vector<View*>{b.get(), c.get(), a.get()}), order());
    auto d = std::make_shared<View>();
    root.insertSubview(d, 99);
    EXPECT_EQ(d.get(), root.subviews().back().get());
    root.insertSubview(d, 0);
    EXPECT_EQ(d.get(), root.subviews().front().get());
    EXPECT_EQ(4u, root.subviews().size());

    // Moving to another superview takes it out of the first; cycles are refused.
    b->addSubview(c);
    EXPECT_EQ(3u, root.subviews().size());
    EXPECT_EQ(b.get(), c->superview());
    c->addSubview(b);
    EXPECT_EQ(&root, b->superview());
    EXPECT_TRUE(c->subviews().empty());
}

TEST(ViewHierarchy, TagsDepthFirstSelfFirst) {
    View root;
    root.setTag(5);
    auto first = std::make_shared<View>(), second = std::make_shared<View>();
    auto deep = std::make_shared<View>();
    root.addSubview(first);
    root.addSubview(second);
    first->addSubview(deep);
    deep->setTag(7);
    second->setTag(7);
    first->setTag(5);
    EXPECT_EQ(&root, root.viewWithTag(5));
    EXPECT_EQ(deep.get(), root.viewWithTag(7)); // the first branch is searched to the bottom
    EXPECT_EQ(nullptr, root.viewWithTag(8));
    EXPECT_EQ(second.get(), second->viewWithTag(7));
}

TEST(ViewHierarchy, WindowMembershipAndLifetime) {
    Window window;
    auto parent = std::make_shared<View>(Rect{0, 0, 100, 100});
    auto child = std::make_shared<MovingView>(Rect{0, 0, 10, 10});
    parent->addSubview(child);
    EXPECT_EQ(nullptr, child->window());
    window.addSubview(parent);
    EXPECT_EQ(&window, child->window());
    EXPECT_TRUE(child->isVisibleInWindow());
    parent->setHidden(true);
    EXPECT_FALSE(child->isVisibleInWindow());
    parent->setHidden(false);

    parent->removeFromSuperview();
    EXPECT_EQ(nullptr, child->window());
    EXPECT_FALSE(child->isVisibleInWindow());
    EXPECT_EQ((std::vector<Window*>{&window, nullptr}), child->windows);

    // The superview keeps its subviews alive; a dying superview lets go of them.
    std::weak_ptr<View> weakChild = child;
    child.reset();
    EXPECT_FALSE(weakChild.expired());
    auto survivor = parent->subviews().front();
    parent.reset();
    EXPECT_EQ(nullptr, survivor->superview());
}

TEST(ViewRendering, DrawsInTreeOrderWithAlphaAndModalLayerLast) {
    Window window;
    auto parent = std::make_shared<View>(Rect{10, 10, 100, 100});
    parent->setBackgroundColor(Color::white());
    parent->setAlpha(0.5f);
    auto child = std::make_shared<View>(Rect{10, 10, 20, 20});
    child->setBackgroundColor(Color::black());
    child->setAlpha(0.5f);
    auto hidden = std::make_shared<View>(Rect{0, 0, 5, 5});
    hidden->setBackgroundColor(Color::black());
    hidden->setHidden(true);
    window.addSubview(parent);
    parent->addSubview(child);
    parent->addSubview(hidden);
    auto modal = std::make_shared<View>(Rect{0, 0, 320, 480});
    modal->setBackgroundColor(Color::gray(0, 0.4f));
    window.presentModal(modal);
    EXPECT_EQ(&window, modal->window());

    uitest::RecordingCanvas canvas;
    window.renderWindow(canvas);
    EXPECT_FALSE(window.needsDisplay());
    ASSERT_EQ(3u, canvas.fills.size());
    expectRect({10, 10, 100, 100}, canvas.fills[0].rect);
    EXPECT_FLOAT_EQ(0.5f, canvas.fills[0].alpha);
    expectRect({20, 20, 20, 20}, canvas.fills[1].rect);
    EXPECT_FLOAT_EQ(0.25f, canvas.fills[1].alpha);
    EXPECT_EQ(Color::gray(0, 0.4f), canvas.fills[2].color);

    child->setAlpha(1);
    EXPECT_TRUE(window.needsDisplay());
    window.dismissModal(modal.get());
    EXPECT_EQ(nullptr, modal->window());
    EXPECT_TRUE(window.modalViews().empty());
}
