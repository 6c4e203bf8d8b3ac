#include "CopyShopForm.h"
#include "GlyphBitButton.h"
#include "Helpers.h"
#include "PageFixture.h"
#include "TaggedComboBox.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

class CopyShopFormTest : public PageFixture {
protected:
    void SetUp() override {
        PageFixture::SetUp();
        corner = addShop(QStringLiteral("Corner ### Market"));
        addShop(QStringLiteral("Bakers"));
        const int dairy = addCategory(QStringLiteral("Dairy"));
        addItem(addProduct(QStringLiteral("Milk"), dairy), QStringLiteral("Acme"), 1, corner, 1.25);
        addAisle(dairy, corner, 100);
        form = qobject_cast<CopyShopForm*>(main().dialogs().copyShop);
        ASSERT_TRUE(form);
    }
    QAction* copyAction() {
        QAction* a = main().menuAction(QStringLiteral("Copyshop1"));
        return a ? a : main().menuAction(QStringLiteral("Copyshop1"));
    }

    CopyShopForm* form = nullptr;
    int corner = 0;
};

TEST_F(CopyShopFormTest, CopyButtonNeedsASourceAndAnUnusedName) {
    form->show();
    ASSERT_EQ(form->OldShopCombo->count(), 2);
    EXPECT_EQ(TaggedDisplayText(form->OldShopCombo->itemText(1)), "Corner ### Market");
    EXPECT_EQ(ExtractLBID(form->OldShopCombo->model(), 1), corner);
    EXPECT_EQ(form->OldShopCombo->currentIndex(), -1);
    EXPECT_FALSE(form->CopyBtn->isEnabled());

    QTest::keyClicks(form->NewNameEdit, QStringLiteral("Branch"));
    EXPECT_FALSE(form->CopyBtn->isEnabled()); // no source yet
    form->OldShopCombo->setCurrentIndex(1);
    EXPECT_TRUE(form->CopyBtn->isEnabled());
    form->NewNameEdit->setText(QStringLiteral(" BAKERS "));
    EXPECT_FALSE(form->CopyBtn->isEnabled());
    form->NewNameEdit->setText(QStringLiteral(" BAKERY "));
    EXPECT_TRUE(form->CopyBtn->isEnabled());

    // The floor plan box follows the aisles box and stays unchecked when it comes back.
    form->AislesCB->click();
    EXPECT_FALSE(form->FloorPlanCB->isEnabled());
    EXPECT_FALSE(form->FloorPlanCB->isChecked());
    form->AislesCB->click();
    EXPECT_TRUE(form->FloorPlanCB->isEnabled());
    EXPECT_FALSE(form->FloorPlanCB->isChecked());
    form->reject();

    // Shown again: fresh list and name, the boxes as they were left.
    form->show();
    EXPECT_TRUE(form->NewNameEdit->text().isEmpty());
    EXPECT_EQ(form->OldShopCombo->currentIndex(), -1);
    EXPECT_FALSE(form->FloorPlanCB->isChecked());
    form->reject();
}

TEST_F(CopyShopFormTest, ToolsEntryCopiesAndShowsThePageAgain) {
    showPage(MainWindow::ShopsPageIndex);
    QAction* copy = copyAction();
    ASSERT_TRUE(copy);
    EXPECT_TRUE(copy->isEnabled());
    bool driven = false;
    QTimer::singleShot(0, form, [&] {
        form->OldShopCombo->setCurrentIndex(1);
        form->NewNameEdit->setText(QStringLiteral("Branch"));
        form->ItemsCB->setChecked(true);
        form->AislesCB->setChecked(true);
        form->FloorPlanCB->setChecked(false);
        driven = form->CopyBtn->isEnabled();
        QTest::mouseClick(form->CopyBtn, Qt::LeftButton);
    });
    copy->trigger();
    ASSERT_TRUE(driven);
    EXPECT_FALSE(form->isVisible());
    const int branch = form->copiedShopId();
    EXPECT_EQ(
        count(QStringLiteral("SELECT * FROM Items WHERE Shop = %1 AND Price = 1.25 AND Quantity IS NULL")
                  .arg(branch)),
        1);
    EXPECT_EQ(
        count(QStringLiteral("SELECT * FROM Aisles WHERE Shop = %1 AND RectLeft = -1 AND Sequence = 100")
                  .arg(branch)),
        1);
    // The Shops page was shown again and lists the new shop.
    EXPECT_EQ(main().ShopShopTable->recordCount(), 3);

    // Cancel writes nothing.
    QTimer::singleShot(0, form, [&] {
        form->OldShopCombo->setCurrentIndex(0);
        form->NewNameEdit->setText(QStringLiteral("Other"));
        QTest::mouseClick(form->BitBtn3, Qt::LeftButton);
    });
    copy->trigger();
    EXPECT_EQ(rows(QStringLiteral("Shops")), 3);
}

} // namespace
