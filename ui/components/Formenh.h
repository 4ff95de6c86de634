// Gives a top-level window three services: files dropped on it from a file
// manager reach an event, its placement is remembered between runs, and its
// size can be limited.
#pragma once

#include "base/Error.h"

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QByteArray>
#include <QList>
#include <QMargins>
#include <QRect>
#include <QString>

#include <cstdint>
#include <functional>

class QDropEvent;
class QMimeData;
class QWidget;

namespace tarnex {

class EFormEnhanceError : public Error {
public:
    using Error::Error;
};

struct TSize {
    std::int32_t Width = 0;
    std::int32_t Height = 0;
};

class TFormEnhance : public QObject {
    Q_OBJECT

public:
    // The owner must be a top-level window holding no other TFormEnhance;
    // otherwise EFormEnhanceError.
    explicit TFormEnhance(QWidget* owner);
    // Saves the placement when the window goes (see SavePlacement).
    ~TFormEnhance() override;

    // The window's construction is complete: registers the drop target and,
    // when SavePlacement, restores the saved placement. Call once, at the end
    // of building the window and before it is first shown. Until it has run,
    // the placement is not saved either.
    void Loaded();

    bool AcceptFiles() const { return acceptFiles_; }
    void SetAcceptFiles(bool accept);

    bool BringToFront() const { return bringToFront_; }
    void SetBringToFront(bool bring) { bringToFront_ = bring; }

    // 0 in a field leaves that limit to the window as it was built.
    TSize MaxSize() const { return maxSize_; }
    void SetMaxSize(TSize size);
    TSize MinSize() const { return minSize_; }
    void SetMinSize(TSize size);

    bool SavePlacement() const { return savePlacement_; }
    void SetSavePlacement(bool save) { savePlacement_ = save; }

    // Kept as the record's registry-style key path: "\Software\tarnexfs3"
    // is the file tarnexfs3.conf in the user's configuration folder.
    const QString& SaveName() const { return saveName_; }
    void SetSaveName(const QString& name) { saveName_ = name; }
    // The group inside that file.
    const QString& SaveKey() const { return saveKey_; }
    void SetSaveKey(const QString& key) { saveKey_ = key; }

    // The paths of the dropped items, as the file system's bytes, in the
    // order the drop gave them, and the drop point in the owner window's
    // coordinates.
    std::function<void(const QList<QByteArray>& Files, const QPoint& Pos)> OnDropFiles;

    // The record file for SaveName, or an empty text when SaveName or SaveKey
    // is empty (no record is kept then).
    QString PlacementFile() const;

    // Applies the saved placement to the window; missing or unreadable values
    // keep the window's current ones.
    void LoadWindowPlacement();
    // Writes the window's normal placement; EFormEnhanceError when the record
    // cannot be written.
    void StoreWindowPlacement();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QMargins FrameMargins() const;
    bool OwnsDropTarget(QObject* watched) const;
    bool HandleDrop(QWidget* target, QDropEvent* drop);
    void ApplySizeLimits();

    QPointer<QWidget> owner_;
    bool acceptFiles_ = true;
    bool bringToFront_ = true;
    bool savePlacement_ = true;
    bool loaded_ = false;
    TSize maxSize_;
    TSize minSize_;
    QString saveName_ = QStringLiteral("\\Software\\My Application");
    QString saveKey_;
};

// The local paths a drop carries, as bytes: read from the text/uri-list bytes
// and percent-decoded, so that a name which is not valid UTF-8 arrives as it
// is on the disk. Items that are not local files are left out.
QList<QByteArray> DroppedPaths(const QMimeData* mime);

// One screen as placement sees it: its whole area, and the part of it that
// panels leave to windows.
struct ScreenArea {
    QRect geometry;
    QRect available;
};

// Where a window saved at `saved` (its client area) goes on these screens. A
// rectangle lying wholly on the screens stays where it is. Otherwise it moves,
// keeping its size, onto the screen it overlaps most (or the nearest one):
// its right and bottom edges are pulled in to that screen's, then its left
// and top edges, widened by the frame, pushed out to it, so that the title
// bar can always be reached even when the window is larger than the screen.
QRect PlaceOnScreens(const QRect& saved, const QList<ScreenArea>& screens, const QMargins& frame);

} // namespace tarnex
