#include "UnitAbout.h"

#include "AboutIcons.h"

#include <ui/ScriptedDriver.h>

#include <QBitmap>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(AboutTest, LabelsLayoutAndButton) {
    TFormAbout form;
    EXPECT_EQ(form.windowTitle(), "About");
    EXPECT_EQ(form.size(), QSize(286, 235));
    const std::vector<std::pair<QLabel*, const char*>> texts = {
        {form.LabelName, "Quillmoor"},         {form.LabelVersion, "Version 1.0"},
        {form.LabelDelphi, "Delphi Version:"}, {form.LabelDelphiVersion, "3.0"},
        {form.LabelVss, "VSS Version:"},       {form.LabelVssVersion, "5.0"}};
    for (const auto& [label, text] : texts)
        EXPECT_EQ(label->text(), text) << label->objectName().toStdString();
    EXPECT_TRUE(form.LabelName->font().bold());
    EXPECT_EQ(form.LabelName->font().pixelSize(), 19);
    EXPECT_TRUE(form.LabelName->wordWrap());
    EXPECT_EQ(form.LabelName->size(), QSize(225, 48));
    EXPECT_EQ(form.Bevel2->frameShape(), QFrame::HLine);
    EXPECT_EQ(form.ButtonOk->text(), "OK");
    EXPECT_EQ(form.defaultButton(), form.ButtonOk);
    EXPECT_EQ(form.cancelButton(), nullptr);
    EXPECT_LT(form.ImageDelphi->y(), form.ImageVss->y());
}

TEST(AboutTest, OkAndEnterCloseWithOkEscDoesNothing) {
    ui::ScriptedDriver driver;
    TFormAbout form;
    driver.drive([](ui::Form& f) {
        QTest::keyClick(&f, Qt::Key_Escape);
        EXPECT_TRUE(f.isVisible());
        QTest::keyClick(&f, Qt::Key_Return);
    });
    EXPECT_EQ(form.showModal(), ui::mrOk);
    driver.drive([](ui::Form& f) {
        QTest::mouseClick(static_cast<TFormAbout&>(f).ButtonOk, Qt::LeftButton);
    });
    EXPECT_EQ(form.showModal(), ui::mrOk);
    EXPECT_TRUE(driver.problems().empty()) << driver.problems().front();
}

// Both icons: 32 x 32, at most 16 colours, a mask with transparent and opaque pixels.
TEST(AboutTest, IconsAreSixteenColourWithMask) {
    TFormAbout form;
    struct Icon {
        const char* name;
        QImage image;
        const QLabel* shown;
        QRgb mainColour;
    };
    const std::vector<Icon> icons = {
        {"temple", about_icons::templeImage(), form.ImageDelphi, qRgb(255, 255, 0)},
        {"safe", about_icons::safeImage(), form.ImageVss, qRgb(128, 128, 128)}};
    for (const Icon& icon : icons) {
        EXPECT_EQ(icon.image.size(), QSize(32, 32)) << icon.name;
        EXPECT_EQ(icon.image.colorCount(), 16) << icon.name;
        EXPECT_EQ(icon.shown->size(), QSize(32, 32)) << icon.name;
        const QPixmap pixmap = icon.shown->pixmap();
        ASSERT_EQ(pixmap.size(), QSize(32, 32)) << icon.name;
        const QImage mask = pixmap.mask().toImage();
        ASSERT_FALSE(mask.isNull()) << icon.name;
        int transparent = 0;
        int main = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                transparent += mask.pixelIndex(x, y) == 0 ? 1 : 0;
                main += icon.image.pixel(x, y) == icon.mainColour ? 1 : 0;
            }
        EXPECT_GT(transparent, 0) << icon.name;
        EXPECT_LT(transparent, 32 * 32 / 2) << icon.name;
        EXPECT_GT(main, 64) << icon.name; // a yellow temple, a grey safe
    }
}

} // namespace
