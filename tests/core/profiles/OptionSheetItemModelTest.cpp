#include "TestSupport.h"

#include "core/profiles/OptionSheet.h"
#include "core/profiles/OptionSheetItemModel.h"
#include "core/profiles/ProfileDefaults.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

using namespace vantrel;

namespace {

using Model = OptionSheetItemModel;

const QString kVideo = QStringLiteral("Video Options");
const QString kAudio = QStringLiteral("Audio Options");
const QString kDuration = QStringLiteral("Output Duration");

QStringList choicesAt(const QModelIndex &index)
{
    return index.data(Model::ChoicesRole).toStringList();
}

struct Fixture
{
    Fixture() { sheet.build(); }
    OptionSheet sheet;
    Model model{sheet};
    // Checks the model's structure and signals on every change of the tests.
    QAbstractItemModelTester tester{&model, QAbstractItemModelTester::FailureReportingMode::Fatal};
};

} // namespace

TEST(OptionSheetItemModel, MirrorsTheSheetAsCategoriesWithTheirItems)
{
    Fixture f;
    const Model &m = f.model;
    ASSERT_EQ(m.rowCount(), 4);
    EXPECT_EQ(m.columnCount(), 2);
    QStringList rows;
    for (int c = 0; c < m.rowCount(); ++c) {
        const QModelIndex category = m.index(c, Model::CaptionColumn);
        EXPECT_FALSE(m.index(c, Model::ValueColumn).data().isValid());
        EXPECT_FALSE(m.flags(category) & Qt::ItemIsEditable);
        rows << category.data().toString();
        for (int i = 0; i < m.rowCount(category); ++i) {
            const QModelIndex caption = m.index(i, Model::CaptionColumn, category);
            EXPECT_EQ(caption.parent(), category);
            EXPECT_EQ(m.rowCount(caption), 0);
            EXPECT_FALSE(m.flags(caption) & Qt::ItemIsEditable);
            rows << qs("  ") + caption.data().toString() + qs(" = ") +
                        caption.siblingAtColumn(Model::ValueColumn).data().toString();
        }
    }
    EXPECT_EQ(rows, (QStringList{qs("General"),
                                 qs("  Item Name = Auto"),
                                 qs("Output Duration"),
                                 qs("  All Clip Duration = 00:00:00"),
                                 qs("  Start Time = 00:00:00"),
                                 qs("  Stop Time = 00:00:00"),
                                 qs("Video Options"),
                                 qs("  Video Codec = xvid"),
                                 qs("  Video Size = 320x240"),
                                 qs("  Video Bitrate = 256"),
                                 qs("  Video Framerate = 29.97"),
                                 qs("  Aspect Ratio = 4:3"),
                                 qs("  Fit To Size = Off"),
                                 qs("  Subtitles = None"),
                                 qs("  HDR = Standard range (8-bit)"),
                                 qs("Audio Options"),
                                 qs("  Audio Codec = aac"),
                                 qs("  Audio Bitrate = 128"),
                                 qs("  Sample Rate = 44100"),
                                 qs("  Audio Channel = 2"),
                                 qs("  Loudness = Same as source"),
                                 qs("  Sound Tracks = Best one"),
                                 qs("  Disable Audio = No"),
                                 qs("  A/V Sync = Basic")}));
    EXPECT_FALSE(m.itemIndex(kAudio, qs("Video Codec")).isValid()); // the category counts
}

TEST(OptionSheetItemModel, OnlyWritableChoiceItemsAreEditable)
{
    struct Case
    {
        const char *category;
        const char *item;
        bool editable;
    };
    const Case cases[] = {
        {"General", "Item Name", false},          {"Output Duration", "All Clip Duration", false},
        {"Output Duration", "Start Time", false}, {"Output Duration", "Stop Time", false},
        {"Video Options", "Video Codec", true},   {"Video Options", "Aspect Ratio", true},
        {"Audio Options", "Sample Rate", true},   {"Audio Options", "A/V Sync", true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.item);
        Fixture f;
        const QModelIndex cell = f.model.itemIndex(qs(c.category), qs(c.item));
        ASSERT_TRUE(cell.isValid());
        EXPECT_EQ(bool(f.model.flags(cell) & Qt::ItemIsEditable), c.editable);
        const QString before = f.sheet.value(qs(c.category), qs(c.item));
        EXPECT_EQ(f.model.setData(cell, qs("edited")), c.editable);
        EXPECT_EQ(f.sheet.value(qs(c.category), qs(c.item)), c.editable ? qs("edited") : before);
        // The caption is never edited, not even on an editable row.
        EXPECT_FALSE(f.model.setData(cell.siblingAtColumn(Model::CaptionColumn), qs("x")));
        EXPECT_EQ(cell.siblingAtColumn(Model::CaptionColumn).data().toString(), qs(c.item));
    }
}

TEST(OptionSheetItemModel, ShowsValuesAndChoiceListsAsTheProfilesLeaveThem)
{
    struct Case
    {
        std::vector<int> picks;
        const char *category;
        const char *item;
        const char *value;
        const char *choices; // joined with ','
    };
    const Case cases[] = {
        // Appended choices repeat "2500"; the list keeps its order.
        {{29},
         "Video Options",
         "Video Bitrate",
         "2000",
         "48,64,128,192,256,512,768,1000,1500,1152,2500,2000,2500,3000"},
        {{29, 30},
         "Video Options",
         "Video Bitrate",
         "2000",
         "48,64,128,192,256,512,768,1000,1500,1152,2500,2000,2500,3000,2000,2500,3000"},
        // A value that is not among the choices is shown as it is.
        {{90},
         "Video Options",
         "Video Framerate",
         "29.970",
         "Auto,8,10,12,15,23.976,24,25,29.97,30"},
        {{38}, "Video Options", "Video Size", "320x240", ""}, // emptied list, size kept
        {{2, 96}, "Audio Options", "Audio Codec", "mp3", "mp3"},
        {{2, 96}, "Video Options", "Video Size", "1024x768", "480x320,640x480,1024x768,1280x720"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.item) + " after " + std::to_string(c.picks.back()));
        Fixture f;
        for (int entry : c.picks)
            applyProfileDefaults(f.sheet, entry);
        const QModelIndex cell = f.model.itemIndex(qs(c.category), qs(c.item));
        EXPECT_EQ(cell.data(Qt::DisplayRole).toString(), qs(c.value));
        EXPECT_EQ(cell.data(Qt::EditRole).toString(), qs(c.value));
        EXPECT_EQ(choicesAt(cell).join(u','), qs(c.choices));
    }
}

TEST(OptionSheetItemModel, ReportsEachSheetChangeOnTheChangedValueCell)
{
    Fixture f;
    QSignalSpy changed(&f.model, &QAbstractItemModel::dataChanged);
    QSignalSpy reset(&f.model, &QAbstractItemModel::modelReset);
    const QModelIndex bitrate = f.model.itemIndex(kVideo, qs("Video Bitrate"));

    applyProfileDefaults(f.sheet, 29);
    QSet<QString> touched;
    for (const QList<QVariant> &signal : changed) {
        const QModelIndex from = signal.at(0).toModelIndex();
        EXPECT_EQ(from, signal.at(1).toModelIndex()); // one cell at a time
        EXPECT_EQ(from.column(), int(Model::ValueColumn));
        touched.insert(from.siblingAtColumn(Model::CaptionColumn).data().toString());
    }
    EXPECT_EQ(touched, (QSet<QString>{qs("Video Codec"), qs("Video Size"), qs("Video Bitrate"),
                                      qs("Video Framerate"), qs("Audio Codec"), qs("Audio Bitrate"),
                                      qs("Sample Rate")}));

    changed.clear();
    ASSERT_TRUE(f.model.setData(bitrate, qs("2500")));
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).toModelIndex(), bitrate);
    EXPECT_EQ(f.sheet.conversionOptions().videoBitrate, qs("2500")); // what the batch reads

    changed.clear();
    SourceItem row;
    row.fileName = qs("/media/clips/a b.avi");
    row.clipStart = qs("0:00:00");
    row.clipEnd = qs("0:00:03");
    f.sheet.showSourceRow(&row);
    EXPECT_EQ(f.model.itemIndex(qs("General"), qs("Item Name")).data().toString(), row.fileName);
    EXPECT_EQ(f.model.itemIndex(kDuration, qs("All Clip Duration")).data().toString(), QString());
    EXPECT_EQ(changed.count(), 4);
    EXPECT_EQ(reset.count(), 0);
}

TEST(OptionSheetItemModel, ABuildResetsTheModel)
{
    OptionSheet sheet; // not built yet: an empty tree
    Model model(sheet);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    EXPECT_EQ(model.rowCount(), 0);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    sheet.build();
    EXPECT_EQ(reset.count(), 1);
    EXPECT_EQ(model.rowCount(), 4);

    applyProfileDefaults(sheet, 29);
    model.setData(model.itemIndex(kAudio, qs("A/V Sync")), qs("Default"));
    sheet.build();
    EXPECT_EQ(reset.count(), 2);
    const QModelIndex bitrate = model.itemIndex(kVideo, qs("Video Bitrate"));
    EXPECT_EQ(bitrate.data().toString(), qs("256"));
    EXPECT_EQ(choicesAt(bitrate).size(), 11);
    EXPECT_EQ(model.itemIndex(kAudio, qs("A/V Sync")).data().toString(), qs("Basic"));
}

// Today's entries take a typed size and loudness, kept in the sheet's own
// words; a text that is none is refused with its reason and the value stays.
TEST(OptionSheetItemModel, TypedSizesAndLoudnessesAreTakenInTheSheetsWords)
{
    Fixture f;
    applyProfileDefaults(f.sheet, 103);
    QSignalSpy refused(&f.model, &Model::valueRefused);
    const struct
    {
        const QString &category;
        const char *item;
        const char *typed;
        const char *stored; // null: refused
        const char *why = "";
    } cases[] = {
        {kVideo, "Fit To Size", "10MB", "10 MB"},
        {kVideo, "Fit To Size", "2.5", "2.5 MB"},
        {kVideo, "Fit To Size", "300 KB", "300 kB"},
        {kVideo, "Fit To Size", "lots", nullptr},
        {kVideo, "Fit To Size", "5 kB", nullptr, "it takes 10 kB to 1000 GB"},
        {kVideo, "Fit To Size", "2 TB", nullptr, "it takes 10 kB to 1000 GB"},
        {kVideo, "Fit To Size", "off", "Off"},
        {kAudio, "Loudness", "-16", "-16 LUFS (phones, podcasts)"},
        {kAudio, "Loudness", "-18 LUFS", "-18 LUFS"},
        {kAudio, "Loudness", "-40", nullptr},
        {kAudio, "Loudness", "loud", nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.typed);
        const QModelIndex cell = f.model.itemIndex(c.category, qs(c.item), Model::ValueColumn);
        ASSERT_TRUE(cell.flags() & Qt::ItemIsEditable);
        EXPECT_TRUE(cell.data(Model::TypedRole).toBool());
        const QString before = cell.data().toString();
        refused.clear();
        EXPECT_EQ(f.model.setData(cell, qs(c.typed)), c.stored != nullptr);
        EXPECT_EQ(cell.data().toString(), c.stored ? qs(c.stored) : before);
        ASSERT_EQ(refused.size(), c.stored ? 0 : 1);
        if (!c.stored) {
            EXPECT_TRUE(refused.at(0).at(1).toString().startsWith(qs(c.item) + qs(": ")));
            EXPECT_TRUE(refused.at(0).at(1).toString().contains(qs(c.why)));
        }
    }
    // A pasted page is quoted cut short, not whole.
    refused.clear();
    EXPECT_FALSE(f.model.setData(f.model.itemIndex(kVideo, qs("Fit To Size"), Model::ValueColumn),
                                 QString(100000, u'9')));
    ASSERT_EQ(refused.size(), 1);
    EXPECT_LT(refused.at(0).at(1).toString().size(), 200);
}
