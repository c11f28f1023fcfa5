// The window fader over small trees of texts, pictures, game windows and plain windows.
#include "game/shell/window_fader.h"

#include <gtest/gtest.h>

#include "core/windows/text.h"
#include "core/windows/widgets/image.h"
#include "game/shell/qrn_window.h"

namespace {

struct Tree {
  // root (plain) > text, qrn > (image, inner qrn > text2), plain child > text3
  TWindow root;
  TText* text = new TText();
  TQRNWindow* qrn = static_cast<TQRNWindow*>(TQRNWindow::Create());
  TImage* image = static_cast<TImage*>(TImage::GetFactory());
  TQRNWindow* inner = static_cast<TQRNWindow*>(TQRNWindow::Create());
  TText* text2 = new TText();
  TWindow* plain = new TWindow();
  TText* text3 = new TText();
  Tree() {
    root.AddChild(text, false);
    root.AddChild(qrn, false);
    root.AddChild(plain, false);
    qrn->AddChild(image, false);
    qrn->AddChild(inner, false);
    inner->AddChild(text2, false);
    plain->AddChild(text3, false);
    qrn->SetAlpha(0.25f, false);
    inner->SetAlpha(0.75f, false);
  }
};

TEST(WindowFaderTest, EveryWindowBelowTakesTheAlphaItsClassCanTake) {
  Tree t;
  SetTreeAlpha(&t.root, 0.5f);
  EXPECT_FLOAT_EQ(t.text->GetAlpha(), 0.5f);
  EXPECT_FLOAT_EQ(t.qrn->GetAlpha(), 0.5f);
  EXPECT_FLOAT_EQ(t.image->GetAlpha(), 0.5f);
  EXPECT_FLOAT_EQ(t.inner->GetAlpha(), 0.5f);
  EXPECT_FLOAT_EQ(t.text2->GetAlpha(), 0.5f);
  EXPECT_FLOAT_EQ(t.text3->GetAlpha(), 0.5f);  // below a plain window, which has no alpha
}

TEST(WindowFaderTest, AnAlphaOutOfRangeLeavesGameWindowsAsTheyWereButReachesAllBelowThem) {
  Tree t;
  SetTreeAlpha(&t.root, 1.5f);
  EXPECT_FLOAT_EQ(t.qrn->GetAlpha(), 0.25f);
  EXPECT_FLOAT_EQ(t.inner->GetAlpha(), 0.75f);
  EXPECT_FLOAT_EQ(t.text2->GetAlpha(), 1.5f);
  EXPECT_FLOAT_EQ(t.image->GetAlpha(), 1.5f);
}

TEST(WindowFaderTest, AWindowWithoutChildrenIsTheOnlyOneChanged) {
  Tree t;
  SetTreeAlpha(t.text3, 0.1f);
  EXPECT_FLOAT_EQ(t.text3->GetAlpha(), 0.1f);
  EXPECT_FLOAT_EQ(t.text->GetAlpha(), 1.0f);
  EXPECT_FLOAT_EQ(t.qrn->GetAlpha(), 0.25f);
  SetTreeAlpha(nullptr, 0.1f);  // nothing to fade
}

// A game window's own alpha with its children (SetAlpha with fadeChildren).
TEST(WindowFaderTest, AGameWindowFadesItsSubtreeWithItsAlpha) {
  Tree t;
  t.qrn->SetAlpha(0.3f, true);
  EXPECT_FLOAT_EQ(t.qrn->GetAlpha(), 0.3f);
  EXPECT_FLOAT_EQ(t.image->GetAlpha(), 0.3f);
  EXPECT_FLOAT_EQ(t.text2->GetAlpha(), 0.3f);
  EXPECT_FLOAT_EQ(t.text->GetAlpha(), 1.0f);  // not below it
  t.qrn->SetAlpha(-0.1f, true);
  EXPECT_FLOAT_EQ(t.qrn->GetAlpha(), 0.3f);
  EXPECT_FLOAT_EQ(t.image->GetAlpha(), 0.3f);
}

}  // namespace
