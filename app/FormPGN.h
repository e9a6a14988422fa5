#pragma once
// The PGN browser: a file chosen from the folders, or PGN text pasted from the clipboard, shown
// one game at a time; on OK the shown game's tags and moves are read for the import. It also
// holds the exported game's fields and writes it.

#include "app/CodPGN.h"

#include <QDialog>
#include <optional>

class QComboBox;
class QFileSystemModel;
class QFrame;
class QLabel;
class QListView;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class QTreeView;
class TFormStorage;

class TFormPGN : public QDialog {
    Q_OBJECT
public:
    explicit TFormPGN(QWidget* parent = nullptr);

    // ---- fields
    QString Event;
    QString Site;
    double Date = 0;
    QString Round;
    QString White;
    QString Black;
    QString Result;
    QStringList Moves;
    bool Append = false;
    // Where the games of the text being browsed are; the shown one's text is read from there.
    QList<CodPGN::TPgnGame> Games;
    int GameCount = 0;
    int CurrentGame = 0;

    // ---- components
    QComboBox* DriveComboBox1;
    QTreeView* DirectoryListBox1;
    QListView* FileListBox1;
    QLabel* Label1;
    QPushButton* BtnIncolla;
    QFrame* PanelNavigazione;
    QLabel* LabelCounter;
    QPushButton *BtnFirst, *BtnPrev, *BtnNext, *BtnLast;
    QSplitter* Splitter1;
    QPlainTextEdit* MemoTags;
    QPlainTextEdit* MemoMoves;
    QPushButton* BtnOk;
    QPushButton* BtnAnnulla;
    TFormStorage* FormStorage1;

    // ---- operations
    void IndexPgnFile();
    void ShowPgnGame();
    void ReadPgnTags(const QStringList& lines);
    void ReadPgnMoves(QStringList& target, const QStringList& lines);
    // Writes the exported game from the fields; false (reported) when the file was not written.
    bool WritePgnGame(const QString& fileName);

    // Chooses a source: a file or the clipboard's text, read in slices, the counter showing the
    // games found so far.
    void ChoosePgnFile(const QString& fileName);
    void IncollaClick();
    bool Reading() const { return FReader.Busy(); }

    void BtnOkClick();
    void BtnAnnullaClick();
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* CreateSourcePanel();
    QWidget* CreateGamePanel();
    void FillDrives();
    void ShowDrive(int index);
    void ShowFolder(const QString& folder);
    void StartReading();
    void ReadingProgress(int gamesFound);
    void ReadingFinished();
    void SetCounter(int current, int count, bool cut = false);
    CodPGN::TPgnTags Tags() const;

    QFileSystemModel* FFolders;
    QFileSystemModel* FFiles;
    CodPGN::TPgnReader FReader;
    // The shown game as read again from its source; none when no game could be shown.
    std::optional<CodPGN::TPgnGame> FShown;
};

extern TFormPGN* FormPGN;
