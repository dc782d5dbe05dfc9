#include "TestSupport.h"

#include "core/profiles/OptionSheet.h"
#include "core/profiles/OptionSheetItemModel.h"
#include "core/profiles/ProfileDefaults.h"
#include "gui/profiles/OptionSheetWidget.h"

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <functional>
#include <iostream>

using namespace vantrel;

namespace {

using Model = OptionSheetItemModel;

const QString kVideo = QStringLiteral("Video Options");
const QString kAudio = QStringLiteral("Audio Options");

const QStringList kBitratesAfter29 = {qs("48"),   qs("64"),   qs("128"),  qs("192"),  qs("256"),
                                      qs("512"),  qs("768"),  qs("1000"), qs("1500"), qs("1152"),
                                      qs("2500"), qs("2000"), qs("2500"), qs("3000")};

QStringList itemsOf(const QComboBox *combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

// Warnings of the item view (an editor closed twice, say) fail the test; the
// offscreen platform's notes about what it cannot do are let through.
QStringList g_warnings;

void collectWarnings(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type != QtDebugMsg && type != QtInfoMsg &&
        !text.startsWith(QLatin1String("This plugin does not support")))
        g_warnings << text;
}

// The option sheet as the main window shows it, on the offscreen screen.
class OptionSheetWidgetTest : public ::testing::Test
{
public:
    void SetUp() override
    {
        g_warnings.clear();
        m_previousHandler = qInstallMessageHandler(collectWarnings);
        sheet.build();
        widget.resize(360, 420);
        widget.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));
    }

    QModelIndex cell(const QString &category, const QString &item,
                     int column = Model::ValueColumn) const
    {
        return widget.sheetModel()->itemIndex(category, item, column);
    }

    void click(const QModelIndex &index)
    {
        widget.scrollTo(index);
        QTest::mouseClick(widget.viewport(), Qt::LeftButton, {}, widget.visualRect(index).center());
    }

    // The open drop-down of an item, null when none is open.
    QComboBox *editorOf(const QString &category, const QString &item) const
    {
        return qobject_cast<QComboBox *>(widget.indexWidget(cell(category, item)));
    }

    // Opens the item's drop-down with a click and waits for its list.
    QComboBox *openByClick(const QString &category, const QString &item)
    {
        click(cell(category, item));
        QComboBox *combo = editorOf(category, item);
        if (combo)
            waitForList(combo);
        return combo;
    }

    static bool waitForList(QComboBox *combo)
    {
        return QTest::qWaitFor([combo] { return combo->view()->isVisible(); }, 2000);
    }

    // Clicks an entry of an open drop-down list.
    static void chooseRow(QComboBox *combo, int row)
    {
        QAbstractItemView *list = combo->view();
        const QModelIndex entry = list->model()->index(row, 0);
        list->scrollTo(entry);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(entry).center());
    }

    // A closed editor is hidden at once and deleted later.
    bool editorsClosed() const
    {
        const QList<QComboBox *> editors = widget.findChildren<QComboBox *>();
        return std::none_of(editors.begin(), editors.end(),
                            [](const QComboBox *combo) { return combo->isVisible(); });
    }

    void TearDown() override
    {
        qInstallMessageHandler(m_previousHandler);
        EXPECT_EQ(g_warnings, QStringList());
    }

    OptionSheet sheet;
    OptionSheetWidget widget{sheet};

private:
    QtMessageHandler m_previousHandler = nullptr;
};

} // namespace

TEST_F(OptionSheetWidgetTest, ShowsTheFourCategoriesExpandedAcrossTheRow)
{
    const QAbstractItemModel *model = widget.model();
    ASSERT_EQ(model->rowCount(), 4);
    QStringList captions;
    for (int row = 0; row < 4; ++row) {
        const QModelIndex category = model->index(row, 0);
        captions << category.data().toString();
        EXPECT_TRUE(widget.isExpanded(category));
        EXPECT_TRUE(widget.isFirstColumnSpanned(row, {}));
        EXPECT_TRUE(widget.visualRect(model->index(0, 0, category)).isValid()); // items shown
    }
    EXPECT_EQ(captions, (QStringList{qs("General"), qs("Output Duration"), kVideo, kAudio}));
    // Categories come first in their rows, items indented below them.
    EXPECT_LT(widget.visualRect(model->index(0, 0)).top(),
              widget.visualRect(cell(qs("General"), qs("Item Name"))).top());
}

TEST_F(OptionSheetWidgetTest, ReadOnlyItemsOpenNoEditor)
{
    const char *readOnly[] = {"Item Name", "All Clip Duration", "Start Time", "Stop Time"};
    for (const char *item : readOnly) {
        SCOPED_TRACE(item);
        const QString category =
            qs(item) == qs("Item Name") ? qs("General") : qs("Output Duration");
        const QString before = sheet.value(category, qs(item));
        const QModelIndex value = cell(category, qs(item));

        click(value);
        QTest::mouseDClick(widget.viewport(), Qt::LeftButton, {},
                           widget.visualRect(value).center());
        widget.setCurrentIndex(value.siblingAtColumn(Model::CaptionColumn));
        QTest::keyClick(&widget, Qt::Key_F2);
        QTest::keyClick(&widget, Qt::Key_Return);
        settle(); // a list would open now

        EXPECT_TRUE(editorsClosed());
        EXPECT_TRUE(widget.findChildren<QComboBox *>().isEmpty());
        EXPECT_EQ(sheet.value(category, qs(item)), before);
    }
}

TEST_F(OptionSheetWidgetTest, TheVideoBitrateListAfterProfile29HasFourteenChoices)
{
    applyProfileDefaults(sheet, 29);
    QComboBox *combo = openByClick(kVideo, qs("Video Bitrate"));
    ASSERT_NE(combo, nullptr);
    EXPECT_TRUE(combo->view()->isVisible());
    EXPECT_EQ(itemsOf(combo), kBitratesAfter29); // "2500" listed twice, in order
    EXPECT_EQ(combo->currentText(), qs("2000"));
    EXPECT_EQ(combo->currentIndex(), 11);
    EXPECT_FALSE(combo->isEditable()); // the list only
}

TEST_F(OptionSheetWidgetTest, ChoosingAnEntryWritesItToTheSheetAtOnce)
{
    struct Case
    {
        const char *name;
        std::function<void(OptionSheetWidgetTest &, QComboBox *&)> openAndChoose;
        const char *expected;
    };
    const QString item = qs("Video Bitrate");
    const Case cases[] = {
        {"mouse: click the cell, click an entry",
         [&](OptionSheetWidgetTest &t, QComboBox *&combo) {
             combo = t.openByClick(kVideo, item);
             ASSERT_NE(combo, nullptr);
             chooseRow(combo, 5); // "512"
         },
         "512"},
        {"mouse: the second of two equal entries",
         [&](OptionSheetWidgetTest &t, QComboBox *&combo) {
             combo = t.openByClick(kVideo, item);
             ASSERT_NE(combo, nullptr);
             chooseRow(combo, 12); // the appended "2500"
         },
         "2500"},
        {"keyboard: F2 on the caption, Down, Enter",
         [&](OptionSheetWidgetTest &t, QComboBox *&combo) {
             t.widget.setFocus();
             t.widget.setCurrentIndex(t.cell(kVideo, item, Model::CaptionColumn));
             QTest::keyClick(&t.widget, Qt::Key_F2);
             combo = t.editorOf(kVideo, item);
             ASSERT_NE(combo, nullptr);
             ASSERT_TRUE(waitForList(combo));
             QTest::keyClick(combo->view(), Qt::Key_Down); // from "2000" to "2500"
             QTest::keyClick(combo->view(), Qt::Key_Return);
         },
         "2500"},
        {"keyboard: Enter opens, Up, Enter",
         [&](OptionSheetWidgetTest &t, QComboBox *&combo) {
             t.widget.setFocus();
             t.widget.setCurrentIndex(t.cell(kVideo, item, Model::CaptionColumn));
             QTest::keyClick(&t.widget, Qt::Key_Enter);
             combo = t.editorOf(kVideo, item);
             ASSERT_NE(combo, nullptr);
             ASSERT_TRUE(waitForList(combo));
             QTest::keyClick(combo->view(), Qt::Key_Up); // from "2000" to "2500" above it
             QTest::keyClick(combo->view(), Qt::Key_Return);
         },
         "2500"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        sheet.build();
        applyProfileDefaults(sheet, 29);
        QComboBox *combo = nullptr;
        c.openAndChoose(*this, combo);
        ASSERT_NE(combo, nullptr);
        EXPECT_EQ(sheet.value(kVideo, item), qs(c.expected));
        EXPECT_EQ(cell(kVideo, item).data().toString(), qs(c.expected));
        EXPECT_TRUE(QTest::qWaitFor([this] { return editorsClosed(); }, 2000));
        EXPECT_EQ(itemsOf(combo).size(), 14); // choosing changes no list
        EXPECT_EQ(sheet.item(kVideo, item)->choices, kBitratesAfter29);
    }
}

TEST_F(OptionSheetWidgetTest, EscapeClosesTheListAndKeepsTheValue)
{
    const QString item = qs("A/V Sync");
    QComboBox *combo = openByClick(kAudio, item);
    ASSERT_NE(combo, nullptr);
    QTest::keyClick(combo->view(), Qt::Key_Down); // highlighted, not chosen
    QTest::keyClick(combo->view(), Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([this] { return editorsClosed(); }, 2000));
    EXPECT_EQ(sheet.value(kAudio, item), qs("Basic"));

    // The keyboard stays in the grid: the next Enter opens the list again.
    widget.setCurrentIndex(cell(kAudio, item));
    QTest::keyClick(&widget, Qt::Key_Return);
    combo = editorOf(kAudio, item);
    ASSERT_NE(combo, nullptr);
    ASSERT_TRUE(waitForList(combo));
    QTest::keyClick(combo->view(), Qt::Key_Down);
    QTest::keyClick(combo->view(), Qt::Key_Return);
    EXPECT_EQ(sheet.value(kAudio, item), qs("Default"));
}

TEST_F(OptionSheetWidgetTest, AClickBesideTheListClosesItAndKeepsTheValue)
{
    QComboBox *combo = openByClick(kAudio, qs("Disable Audio"));
    ASSERT_NE(combo, nullptr);
    const QPoint elsewhere = widget.viewport()->mapToGlobal(
        widget.visualRect(cell(qs("General"), qs("Item Name"))).center());
    QWidget *list = combo->view()->window();
    QTest::mouseClick(list, Qt::LeftButton, {}, list->mapFromGlobal(elsewhere));
    EXPECT_TRUE(QTest::qWaitFor([this] { return editorsClosed(); }, 2000));
    EXPECT_EQ(sheet.value(kAudio, qs("Disable Audio")), qs("No"));
}

TEST_F(OptionSheetWidgetTest, AnotherItemCanBeOpenedStraightAfterAnEscape)
{
    QComboBox *combo = openByClick(kVideo, qs("Video Codec"));
    ASSERT_NE(combo, nullptr);
    QTest::keyClick(combo->view(), Qt::Key_Escape);
    // No events run in between: the closing list has not been handled yet.
    combo = openByClick(kVideo, qs("Aspect Ratio"));
    ASSERT_NE(combo, nullptr);
    chooseRow(combo, 1); // "16:9"
    EXPECT_EQ(sheet.value(kVideo, qs("Aspect Ratio")), qs("16:9"));
    EXPECT_EQ(sheet.value(kVideo, qs("Video Codec")), qs("xvid"));
    EXPECT_TRUE(QTest::qWaitFor([this] { return editorsClosed(); }, 2000));
}

TEST_F(OptionSheetWidgetTest, AValueOutsideTheChoicesIsShownAsItIs)
{
    applyProfileDefaults(sheet, 90);
    const QString item = qs("Video Framerate");
    EXPECT_EQ(cell(kVideo, item).data().toString(), qs("29.970"));
    QComboBox *combo = openByClick(kVideo, item);
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->currentIndex(), -1); // not "29.97": nothing is selected
    EXPECT_EQ(combo->placeholderText(), qs("29.970"));
    EXPECT_EQ(itemsOf(combo),
              (QStringList{qs("Auto"), qs("8"), qs("10"), qs("12"), qs("15"), qs("23.976"),
                           qs("24"), qs("25"), qs("29.97"), qs("30")}));
    // Closing the list without a choice leaves the value as the profile set it.
    QTest::keyClick(combo->view(), Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([this] { return editorsClosed(); }, 2000));
    EXPECT_EQ(sheet.value(kVideo, item), qs("29.970"));
}

TEST_F(OptionSheetWidgetTest, AnEmptiedListOpensNoEditor)
{
    applyProfileDefaults(sheet, 38); // empties "Video Size", keeps its value
    click(cell(kVideo, qs("Video Size")));
    settle();
    EXPECT_TRUE(editorsClosed());
    EXPECT_EQ(sheet.value(kVideo, qs("Video Size")), qs("320x240"));
}

TEST_F(OptionSheetWidgetTest, AProfilePickUpdatesTheShownSheetAndAnOpenList)
{
    QComboBox *combo = openByClick(kVideo, qs("Video Bitrate"));
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->count(), 11);
    EXPECT_EQ(combo->currentText(), qs("256"));

    applyProfileDefaults(sheet, 29);
    EXPECT_EQ(itemsOf(combo), kBitratesAfter29);
    EXPECT_EQ(combo->currentText(), qs("2000"));
    EXPECT_EQ(cell(kVideo, qs("Video Codec")).data().toString(), qs("x264"));
    EXPECT_EQ(cell(kAudio, qs("Sample Rate")).data().toString(), qs("48000"));

    chooseRow(combo, 13); // "3000"
    EXPECT_EQ(sheet.value(kVideo, qs("Video Bitrate")), qs("3000"));
}

TEST_F(OptionSheetWidgetTest, ABuildResetsTheGrid)
{
    applyProfileDefaults(sheet, 29);
    QComboBox *combo = openByClick(kAudio, qs("Audio Channel"));
    ASSERT_NE(combo, nullptr);
    chooseRow(combo, 0); // "1"
    ASSERT_EQ(sheet.value(kAudio, qs("Audio Channel")), qs("1"));
    ASSERT_TRUE(openByClick(kVideo, qs("Video Size")));

    sheet.build(); // closes the open list and shows the sheet as built
    EXPECT_TRUE(QTest::qWaitFor([this] { return editorsClosed(); }, 2000));
    EXPECT_EQ(cell(kAudio, qs("Audio Channel")).data().toString(), qs("2"));
    EXPECT_EQ(cell(kVideo, qs("Video Bitrate")).data().toString(), qs("256"));
    for (int row = 0; row < 4; ++row) {
        EXPECT_TRUE(widget.isExpanded(widget.model()->index(row, 0)));
        EXPECT_TRUE(widget.isFirstColumnSpanned(row, {}));
    }
    combo = openByClick(kVideo, qs("Video Bitrate"));
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(combo->count(), 11);

    // A build before the new editor's list has opened: no list is left behind.
    QTest::keyClick(combo->view(), Qt::Key_Escape);
    click(cell(kAudio, qs("Sample Rate")));
    sheet.build();
    settle();
    EXPECT_TRUE(editorsClosed());
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

// Renders the grid to a picture; read-only values must come out lighter than
// the values the user can change. Set VANTREL_KEEP_GRABS to keep the picture.
TEST_F(OptionSheetWidgetTest, RendersReadOnlyValuesGreyed)
{
    applyProfileDefaults(sheet, 90);
    widget.selectionModel()->clear();
    const QImage image = widget.grab().toImage();
    ASSERT_FALSE(image.isNull());

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(qs("option-sheet.png"));
    ASSERT_TRUE(image.save(path));
    if (qEnvironmentVariableIsSet("VANTREL_KEEP_GRABS")) {
        dir.setAutoRemove(false);
        std::cout << "grab: " << path.toStdString() << '\n';
    }

    // The darkest pixel of a cell is its text.
    const auto darkest = [&](const QModelIndex &index) {
        const QRect rect = widget.visualRect(index).translated(widget.viewport()->pos());
        int lightness = 255;
        for (int y = rect.top(); y <= rect.bottom(); ++y) {
            for (int x = rect.left(); x <= rect.right(); ++x)
                lightness = std::min(lightness, image.pixelColor(x, y).lightness());
        }
        return lightness;
    };
    const int readOnly = darkest(cell(qs("General"), qs("Item Name")));
    const int editable = darkest(cell(kVideo, qs("Video Codec")));
    EXPECT_GT(readOnly, editable + 40);
}

// A value typed and taken with Enter closes the editor; the arrow keys then
// move through the grid and change no value unseen. A value the item cannot
// take leaves the editor open with what was typed.
TEST_F(OptionSheetWidgetTest, ATypedValueIsTakenWithEnterAndTheArrowsMoveOn)
{
    applyProfileDefaults(sheet, 103);
    const QString item = qs("Fit To Size");
    const struct
    {
        const char *typed;
        const char *kept;
        bool closes;
    } cases[] = {{"10 MB", "10 MB", true}, {"lots", "10 MB", false}, {"1", "1 MB", true}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.typed);
        click(cell(kVideo, item));
        QComboBox *combo = editorOf(kVideo, item);
        ASSERT_NE(combo, nullptr);
        combo->lineEdit()->selectAll();
        QTest::keyClicks(combo->lineEdit(), qs(c.typed));
        QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
        EXPECT_EQ(sheet.value(kVideo, item), qs(c.kept));
        EXPECT_EQ(QTest::qWaitFor([this] { return editorsClosed(); }, 500), c.closes);
        if (!c.closes) {
            EXPECT_EQ(combo->currentText(), qs(c.typed));
            QTest::keyClick(combo->lineEdit(), Qt::Key_Escape);
            EXPECT_TRUE(QTest::qWaitFor([this] { return editorsClosed(); }, 1000));
            continue;
        }
        QTest::keyClick(widget.focusWidget(), Qt::Key_Down);
        QTest::keyClick(widget.focusWidget(), Qt::Key_Down);
        EXPECT_EQ(sheet.value(kVideo, item), qs(c.kept));
        EXPECT_NE(widget.currentIndex().row(), cell(kVideo, item).row());
        EXPECT_TRUE(editorsClosed());
    }
}

// The open list is as wide as its longest entry, however narrow the column.
TEST_F(OptionSheetWidgetTest, TheOpenListShowsItsLongestEntryWhole)
{
    applyProfileDefaults(sheet, 103);
    widget.resize(260, 420);
    click(cell(kAudio, qs("Loudness")));
    QComboBox *combo = editorOf(kAudio, qs("Loudness"));
    ASSERT_NE(combo, nullptr);
    combo->showPopup(); // a typed item's list opens when asked for
    ASSERT_TRUE(waitForList(combo));
    int widest = 0;
    for (const QString &entry : itemsOf(combo))
        widest = std::max(widest, combo->view()->fontMetrics().horizontalAdvance(entry));
    EXPECT_GE(combo->view()->viewport()->width(), widest);
    QTest::keyClick(combo->view(), Qt::Key_Escape);
    QTest::keyClick(combo->lineEdit(), Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([this] { return editorsClosed(); }, 2000));
}
