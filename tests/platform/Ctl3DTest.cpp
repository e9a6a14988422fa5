// The three-dimensional look on the panel: the single border it draws, and the look passed down
// to the children that follow their parent.
#include "platform/Panel.h"

#include <QPainter>
#include <gtest/gtest.h>

using namespace platform;

namespace {

TColor At(const QImage& image, int x, int y) {
    return FromQColor(QColor(image.pixel(x, y)));
}

TColor Plain(TColor color) {
    return FromQColor(ToQColor(color));
}

// A panel that counts how often its inside moved.
class TMovingPanel : public TCustomPanel {
public:
    using TCustomPanel::TCustomPanel;
    int moves = 0;

protected:
    void FrameChanged() override { ++moves; }
};

} // namespace

TEST(Ctl3DTest, TheSingleBorderIsTheSunkenEdgeOnlyWhenThreeDimensional) {
    const std::vector<TColor> edge{clBtnShadow, cl3DDkShadow, clBtnHighlight, cl3DLight, clYellow};
    for (size_t i = 0; i < edge.size(); ++i)
        for (size_t j = i + 1; j < edge.size(); ++j)
            ASSERT_NE(Plain(edge[i]), Plain(edge[j])) << i << " " << j;
    ASSERT_NE(Plain(clWindowFrame), Plain(clBtnShadow));
    ASSERT_NE(Plain(clWindowFrame), Plain(clBtnHighlight));

    TMovingPanel panel;
    panel.resize(40, 30);
    panel.SetBevelOuter(TCustomPanel::bvNone);
    panel.SetColor(clYellow);
    EXPECT_TRUE(panel.Ctl3D());
    EXPECT_TRUE(panel.ParentCtl3D());
    EXPECT_EQ(panel.ClientRect(), panel.rect()) << "no border, no frame";
    EXPECT_EQ(At(panel.grab().toImage(), 20, 0), clYellow);

    panel.moves = 0;
    panel.SetBorderStyle(TCustomPanel::bsSingle);
    EXPECT_EQ(panel.ClientRect(), QRect(2, 2, 36, 26));
    QImage shot = panel.grab().toImage();
    // Outer ring: shadow above and left, highlight below and right; inner ring darker and
    // lighter.
    EXPECT_EQ(At(shot, 20, 0), Plain(clBtnShadow));
    EXPECT_EQ(At(shot, 0, 15), Plain(clBtnShadow));
    EXPECT_EQ(At(shot, 20, 29), Plain(clBtnHighlight));
    EXPECT_EQ(At(shot, 39, 15), Plain(clBtnHighlight));
    EXPECT_EQ(At(shot, 20, 1), Plain(cl3DDkShadow));
    EXPECT_EQ(At(shot, 1, 15), Plain(cl3DDkShadow));
    EXPECT_EQ(At(shot, 20, 28), Plain(cl3DLight));
    EXPECT_EQ(At(shot, 38, 15), Plain(cl3DLight));
    EXPECT_EQ(At(shot, 20, 2), clYellow);

    const int moves = panel.moves;
    panel.SetCtl3D(false);
    EXPECT_FALSE(panel.ParentCtl3D());
    EXPECT_EQ(panel.moves, moves + 1) << "the inside moved out by a pixel";
    EXPECT_EQ(panel.ClientRect(), QRect(1, 1, 38, 28));
    shot = panel.grab().toImage();
    for (const QPoint p : {QPoint(20, 0), QPoint(0, 15), QPoint(20, 29), QPoint(39, 15)})
        EXPECT_EQ(At(shot, p.x(), p.y()), Plain(clWindowFrame)) << p.x() << "," << p.y();
    EXPECT_EQ(At(shot, 20, 1), clYellow);
    EXPECT_EQ(At(shot, 38, 15), clYellow);

    panel.SetBorderStyle(TCustomPanel::bsNone);
    const int plain = panel.moves;
    panel.SetCtl3D(true);
    EXPECT_EQ(panel.moves, plain) << "without a border the look moves nothing";
    EXPECT_EQ(At(panel.grab().toImage(), 20, 0), clYellow);
}

TEST(Ctl3DTest, ChildrenFollowTheParentUntilTheirOwnLookIsSet) {
    QWidget form;
    auto* outer = new TCustomPanel(&form);
    auto* middle = new TCustomPanel(outer);
    auto* inner = new TCustomPanel(middle);
    auto* plainChild = new QWidget(outer);
    auto* underPlain = new TCustomPanel(plainChild);
    EXPECT_TRUE(inner->Ctl3D());

    outer->SetCtl3D(false);
    EXPECT_FALSE(middle->Ctl3D());
    EXPECT_TRUE(middle->ParentCtl3D()) << "following is not setting";
    EXPECT_FALSE(inner->Ctl3D()) << "the look goes down through every depth";
    EXPECT_TRUE(underPlain->Ctl3D()) << "a parent without a look passes nothing on";

    auto* late = new TCustomPanel(outer);
    EXPECT_FALSE(late->Ctl3D()) << "a new child starts with its parent's look";

    middle->SetCtl3D(true);
    EXPECT_FALSE(middle->ParentCtl3D());
    EXPECT_TRUE(inner->Ctl3D());
    outer->SetCtl3D(true);
    outer->SetCtl3D(false);
    EXPECT_TRUE(middle->Ctl3D()) << "a look of its own stays";
    EXPECT_TRUE(inner->Ctl3D());

    middle->SetParentCtl3D(true);
    EXPECT_FALSE(middle->Ctl3D()) << "following again takes the parent's look at once";
    EXPECT_FALSE(inner->Ctl3D());

    // A moved child takes its new parent's look; under a plain widget it keeps its own.
    auto* flat = new TCustomPanel(&form);
    flat->SetCtl3D(false);
    auto* moved = new TCustomPanel(&form);
    EXPECT_TRUE(moved->Ctl3D());
    moved->setParent(flat);
    EXPECT_FALSE(moved->Ctl3D());
    moved->setParent(&form);
    EXPECT_FALSE(moved->Ctl3D());

    // The followed look shows in the child's border.
    inner->resize(20, 20);
    inner->SetBorderStyle(TCustomPanel::bsSingle);
    EXPECT_EQ(At(inner->grab().toImage(), 10, 0), Plain(clWindowFrame));
    outer->SetCtl3D(true);
    EXPECT_EQ(At(inner->grab().toImage(), 10, 0), Plain(clBtnShadow));
    EXPECT_EQ(inner->ClientRect(), QRect(2, 2, 16, 16));
}
