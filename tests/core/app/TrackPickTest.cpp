#include "MediaClips.h"
#include "TestSupport.h"

#include "core/app/TrackPickModel.h"
#include "core/app/TracksController.h"
#include "core/sources/SourceList.h"

#include <QSignalSpy>

#include <memory>

using namespace vantrel;

namespace {

// The model's rows as "Keep Default|Kind|Language|Channels|Title|Flags", the
// check boxes as x (ticked), o (not) or - (none).
QStringList shown(const TrackPickModel &model)
{
    const auto box = [&model](int row, int column) {
        const QVariant state = model.index(row, column).data(Qt::CheckStateRole);
        return !state.isValid() ? qs("-") : state.toInt() == Qt::Checked ? qs("x") : qs("o");
    };
    QStringList rows;
    for (int row = 0; row < model.rowCount(); ++row) {
        QStringList cells{box(row, TrackPickModel::KeepColumn) +
                          box(row, TrackPickModel::DefaultColumn)};
        for (const int column : {TrackPickModel::KindColumn, TrackPickModel::LanguageColumn,
                                 TrackPickModel::ChannelsColumn, TrackPickModel::TitleColumn,
                                 TrackPickModel::FlagsColumn})
            cells << model.index(row, column).data().toString();
        rows << cells.join(u'|');
    }
    return rows;
}

class TrackPickTest : public ::testing::Test
{
protected:
    // The controller of the film's row, once its reading has ended.
    std::unique_ptr<TracksController> opened(const QString &file,
                                             std::optional<TrackPick> pick = std::nullopt)
    {
        list.clear();
        SourceList::SavedRow row;
        row.item.fileName = file;
        row.item.tracks = pick;
        list.appendSavedRows({row});
        auto controller = std::make_unique<TracksController>(list, 0);
        QSignalSpy ended(controller.get(), &TracksController::stateChanged);
        EXPECT_EQ(controller->state(), TracksController::State::Reading);
        EXPECT_EQ(controller->message(), qs("Reading the tracks…"));
        EXPECT_FALSE(controller->canAccept());
        EXPECT_TRUE(ended.wait(20000));
        return controller;
    }

    MediaClips clips;
    SourceList list{nullptr};
};

} // namespace

// The film's sounds and subtitles, the picture left out; without a choice of
// its own every track is kept, and the sound marked default plays first.
TEST_F(TrackPickTest, ReadsTheTracksOfTheRowsSource)
{
    const QString film = clips.filmWithTracks(qs("film.mkv"));
    const std::unique_ptr<TracksController> tracks = opened(film);
    ASSERT_EQ(tracks->state(), TracksController::State::Ready);
    EXPECT_EQ(shown(tracks->model()),
              (QStringList{qs("xo|Sound|eng|2 ch||"),
                           qs("xx|Sound|deu|1 ch|Director's Commentary|default, commentary"),
                           qs("x-|Subtitle||||")}));
    EXPECT_TRUE(tracks->canAccept());
    EXPECT_EQ(tracks->model().pick(), (TrackPick{{1, 2, 3}, 2}));

    // A row's own choice comes back as it was; one without a default sound
    // takes its first kept sound.
    EXPECT_EQ(shown(opened(film, TrackPick{{1, 3}, 1})->model()).join(u' ').left(23),
              qs("xx|Sound|eng|2 ch|| oo|"));
    EXPECT_EQ(opened(film, TrackPick{{2}, std::nullopt})->model().pick(), (TrackPick{{2}, 2}));
}

// Keep and Default as the user ticks them: the default is always a kept
// sound, and a sound is kept while the source has any.
TEST_F(TrackPickTest, TickingKeepsTheDefaultAKeptSound)
{
    const std::unique_ptr<TracksController> tracks = opened(clips.filmWithTracks(qs("film.mkv")));
    TrackPickModel &model = tracks->model();
    const auto tick = [&model](int row, int column, bool on) {
        return model.setData(model.index(row, column), on ? Qt::Checked : Qt::Unchecked,
                             Qt::CheckStateRole);
    };
    const struct
    {
        int row;
        int column;
        bool on;
        bool taken;
        TrackPick pick;
        bool acceptable;
    } steps[] = {
        // The default dropped: the first kept sound is the default.
        {1, TrackPickModel::KeepColumn, false, true, {{1, 3}, 1}, true},
        {0, TrackPickModel::KeepColumn, false, true, {{3}, std::nullopt}, false},
        // A kept sound when none is the default becomes it.
        {1, TrackPickModel::KeepColumn, true, true, {{2, 3}, 2}, true},
        // Choosing a dropped sound as the default keeps it.
        {0, TrackPickModel::DefaultColumn, true, true, {{1, 2, 3}, 1}, true},
        // A default is not unticked, and a subtitle has none.
        {0, TrackPickModel::DefaultColumn, false, false, {{1, 2, 3}, 1}, true},
        {2, TrackPickModel::DefaultColumn, true, false, {{1, 2, 3}, 1}, true},
        {2, TrackPickModel::KeepColumn, false, true, {{1, 2}, 1}, true},
    };
    for (const auto &s : steps) {
        SCOPED_TRACE(testing::Message() << s.row << ' ' << s.column << ' ' << s.on);
        EXPECT_EQ(tick(s.row, s.column, s.on), s.taken);
        EXPECT_EQ(model.pick(), s.pick);
        EXPECT_EQ(tracks->canAccept(), s.acceptable);
        EXPECT_EQ(tracks->message().isEmpty(), s.acceptable) << tracks->message();
    }

    // OK gives the row the choice; the sheet's rules take it back.
    EXPECT_TRUE(tracks->accept());
    EXPECT_EQ(list.item(0).tracks, (TrackPick{{1, 2}, 1}));
    EXPECT_TRUE(list.data(list.index(0, SourceList::FileNameColumn), Qt::ToolTipRole)
                    .toString()
                    .endsWith(qs("Tracks: chosen for this row (2 kept)")));
    tracks->useSheetRules();
    EXPECT_FALSE(list.item(0).tracks.has_value());
}

// A file that is no film fails to be read and cannot be taken; rows that
// are converting, still being read or whose file cannot be read are not
// offered at all.
TEST_F(TrackPickTest, WhatCannotBeChosen)
{
    const QString text = clips.path(qs("notes.mkv"));
    writeFile(text, "no film at all");
    const std::unique_ptr<TracksController> broken = opened(text);
    EXPECT_EQ(broken->state(), TracksController::State::Failed);
    EXPECT_TRUE(broken->message().contains(qs("could not be read")));
    EXPECT_FALSE(broken->accept());
    EXPECT_FALSE(list.item(0).tracks.has_value());

    const QString film = clips.video(qs("film.avi"), 1);
    const struct
    {
        QString file;
        RowStatus status;
        const char *problem;
        const char *refusal; // none: offered
    } rows[] = {
        {film, RowStatus::None, "", nullptr},
        {film, RowStatus::Ok, "", nullptr},
        {film, RowStatus::Processing, "", "is being converted"},
        {film, RowStatus::Waiting, "", "is being converted"},
        {film, RowStatus::None, "no video", "no video"},
        {clips.path(qs("gone.avi")), RowStatus::None, "", "does not exist"},
    };
    for (const auto &r : rows) {
        list.clear();
        SourceList::SavedRow row;
        row.item.fileName = r.file;
        row.item.status = r.status;
        row.item.problem = qs(r.problem);
        list.appendSavedRows({row});
        const std::optional<QString> refusal = TracksController::unavailableReason(list, 0);
        EXPECT_EQ(refusal.has_value(), r.refusal != nullptr) << r.refusal;
        if (refusal && r.refusal) {
            EXPECT_TRUE(refusal->contains(qs(r.refusal))) << *refusal;
        }
    }
    EXPECT_TRUE(TracksController::unavailableReason(list, 5).has_value());
}
