#include "app/FormPGN.h"

#include "platform/MessageBox.h"
#include "storage/Placemnt.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QStorageInfo>
#include <QTreeView>
#include <QVBoxLayout>

TFormPGN* FormPGN = nullptr;

namespace {

// The splitter keeps each memo this far from the panel's edges.
constexpr int SplitterLimit = 20;

QPushButton* Button(QWidget* parent, const QString& name, const QString& caption) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

} // namespace

TFormPGN::TFormPGN(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FormPGN"));
    setWindowTitle(QStringLiteral("PGN"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setMinimumSize(590, 410);
    resize(640, 440);

    auto* columns = new QHBoxLayout;
    columns->addWidget(CreateSourcePanel(), 2);
    columns->addWidget(CreateGamePanel(), 3);
    BtnOk = Button(this, QStringLiteral("BtnOk"), QStringLiteral("Ok"));
    BtnAnnulla = Button(this, QStringLiteral("BtnAnnulla"), QStringLiteral("Annulla"));
    connect(BtnOk, &QPushButton::clicked, this, &TFormPGN::BtnOkClick);
    connect(BtnAnnulla, &QPushButton::clicked, this, &TFormPGN::BtnAnnullaClick);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(BtnOk);
    buttons->addWidget(BtnAnnulla);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns, 1);
    layout->addLayout(buttons);

    connect(&FReader, &CodPGN::TPgnReader::Progress, this, &TFormPGN::ReadingProgress);
    connect(&FReader, &CodPGN::TPgnReader::Finished, this, &TFormPGN::ReadingFinished);

    FormStorage1 = new TFormStorage(this);
    FormStorage1->setObjectName(QStringLiteral("FormStorage1"));
    FormStorage1->SetIniFileName(QStringLiteral("./Quendel.ini"));
    FormStorage1->SetIniSection(QStringLiteral("FinestraPGN"));
    ShowPgnGame();
}

QWidget* TFormPGN::CreateSourcePanel() {
    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("PanelSorgente"));
    DriveComboBox1 = new QComboBox(panel);
    DriveComboBox1->setObjectName(QStringLiteral("DriveComboBox1"));

    FFolders = new QFileSystemModel(this);
    FFolders->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    DirectoryListBox1 = new QTreeView(panel);
    DirectoryListBox1->setObjectName(QStringLiteral("DirectoryListBox1"));
    DirectoryListBox1->setModel(FFolders);
    DirectoryListBox1->setHeaderHidden(true);
    for (int column = 1; column < FFolders->columnCount(); ++column)
        DirectoryListBox1->hideColumn(column);

    FFiles = new QFileSystemModel(this);
    FFiles->setFilter(QDir::Files);
    FFiles->setNameFilters({QStringLiteral("*.pgn")});
    FFiles->setNameFilterDisables(false);
    FileListBox1 = new QListView(panel);
    FileListBox1->setObjectName(QStringLiteral("FileListBox1"));
    FileListBox1->setModel(FFiles);

    Label1 = new QLabel(QStringLiteral("Selezionare il file .PGN\no copiare le mosse\n"
                                       "ed incollarle dagli appunti"),
                        panel);
    Label1->setObjectName(QStringLiteral("Label1"));
    BtnIncolla =
        Button(panel, QStringLiteral("BtnIncolla"), QStringLiteral("Incolla dagli appunti"));

    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(DriveComboBox1);
    layout->addWidget(DirectoryListBox1, 1);
    layout->addWidget(FileListBox1, 1);
    layout->addWidget(Label1);
    layout->addWidget(BtnIncolla);

    connect(DriveComboBox1, &QComboBox::activated, this, &TFormPGN::ShowDrive);
    connect(DirectoryListBox1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& index) {
                if (index.isValid())
                    ShowFolder(FFolders->filePath(index));
            });
    connect(FileListBox1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& index) {
                if (index.isValid())
                    ChoosePgnFile(FFiles->filePath(index));
            });
    connect(BtnIncolla, &QPushButton::clicked, this, &TFormPGN::IncollaClick);
    return panel;
}

QWidget* TFormPGN::CreateGamePanel() {
    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("PanelPartita"));
    PanelNavigazione = new QFrame(panel);
    PanelNavigazione->setObjectName(QStringLiteral("PanelNavigazione"));
    PanelNavigazione->setFocusPolicy(Qt::ClickFocus);
    LabelCounter = new QLabel(PanelNavigazione);
    LabelCounter->setObjectName(QStringLiteral("LabelCounter"));
    BtnFirst = Button(PanelNavigazione, QStringLiteral("BtnFirst"), QStringLiteral("<<"));
    BtnPrev = Button(PanelNavigazione, QStringLiteral("BtnPrev"), QStringLiteral("<"));
    BtnNext = Button(PanelNavigazione, QStringLiteral("BtnNext"), QStringLiteral(">"));
    BtnLast = Button(PanelNavigazione, QStringLiteral("BtnLast"), QStringLiteral(">>"));
    auto* navigation = new QHBoxLayout(PanelNavigazione);
    navigation->setContentsMargins(0, 0, 0, 0);
    navigation->addWidget(LabelCounter, 1);
    for (QPushButton* button : {BtnFirst, BtnPrev, BtnNext, BtnLast}) {
        button->setFixedWidth(36);
        navigation->addWidget(button);
    }
    connect(BtnFirst, &QPushButton::clicked, this, [this] {
        CurrentGame = 1;
        ShowPgnGame();
    });
    connect(BtnPrev, &QPushButton::clicked, this, [this] {
        --CurrentGame;
        ShowPgnGame();
    });
    connect(BtnNext, &QPushButton::clicked, this, [this] {
        ++CurrentGame;
        ShowPgnGame();
    });
    connect(BtnLast, &QPushButton::clicked, this, [this] {
        CurrentGame = GameCount;
        ShowPgnGame();
    });

    Splitter1 = new QSplitter(Qt::Vertical, panel);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    // As the sizing line of the library's splitter: drawn while dragging, applied on release.
    Splitter1->setOpaqueResize(false);
    Splitter1->setChildrenCollapsible(false);
    MemoTags = new QPlainTextEdit(Splitter1);
    MemoTags->setObjectName(QStringLiteral("MemoTags"));
    MemoMoves = new QPlainTextEdit(Splitter1);
    MemoMoves->setObjectName(QStringLiteral("MemoMoves"));
    for (QPlainTextEdit* memo : {MemoTags, MemoMoves}) {
        memo->setReadOnly(true);
        memo->setMinimumHeight(SplitterLimit);
        memo->installEventFilter(this);
    }
    Splitter1->setSizes({140, 220});

    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(PanelNavigazione);
    layout->addWidget(Splitter1, 1);
    return panel;
}

// The folders are looked at only once the window is first shown.
void TFormPGN::showEvent(QShowEvent* event) {
    if (DriveComboBox1->count() == 0)
        FillDrives();
    QDialog::showEvent(event);
}

// Entering either memo moves the focus to the panel above them.
bool TFormPGN::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn && (watched == MemoTags || watched == MemoMoves))
        PanelNavigazione->setFocus(Qt::OtherFocusReason);
    return QDialog::eventFilter(watched, event);
}

// Linux has no drives: the home folder and the mounted volumes stand in for them.
void TFormPGN::FillDrives() {
    QStringList roots{QDir::homePath()};
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid() && volume.isReady() && !roots.contains(volume.rootPath()))
            roots.append(volume.rootPath());
    }
    // The drive is the longest root the working folder lies under, else the home folder.
    const QString current = QDir::currentPath();
    int best = 0;
    qsizetype bestLength = -1;
    for (int i = 0; i < roots.size(); ++i) {
        DriveComboBox1->addItem(roots[i]);
        const QString root = roots[i].endsWith(QLatin1Char('/')) ? roots[i] : roots[i] + '/';
        if ((current + '/').startsWith(root) && root.size() > bestLength) {
            best = i;
            bestLength = root.size();
        }
    }
    DriveComboBox1->setCurrentIndex(best);
    FFolders->setRootPath(roots[best]);
    DirectoryListBox1->setRootIndex(FFolders->index(roots[best]));
    const QModelIndex folder = FFolders->index(current);
    DirectoryListBox1->setCurrentIndex(folder);
    DirectoryListBox1->scrollTo(folder);
    ShowFolder(current);
}

void TFormPGN::ShowDrive(int index) {
    const QString root = DriveComboBox1->itemText(index);
    FFolders->setRootPath(root);
    DirectoryListBox1->setRootIndex(FFolders->index(root));
    ShowFolder(root);
}

void TFormPGN::ShowFolder(const QString& folder) {
    FFiles->setRootPath(folder);
    FileListBox1->setRootIndex(FFiles->index(folder));
}

// ---- sources

void TFormPGN::ChoosePgnFile(const QString& fileName) {
    StartReading();
    if (!FReader.Start(fileName))
        IndexPgnFile();
}

void TFormPGN::IncollaClick() {
    const QString text = QApplication::clipboard()->text();
    if (text.isEmpty())
        return;
    FileListBox1->selectionModel()->clear();
    StartReading();
    FReader.StartText(text);
}

// No game is shown while a source is read.
void TFormPGN::StartReading() {
    Games.clear();
    GameCount = 0;
    CurrentGame = 0;
    ShowPgnGame();
}

void TFormPGN::ReadingProgress(int gamesFound) {
    SetCounter(0, std::min(gamesFound, CodPGN::MaxGames));
}

void TFormPGN::ReadingFinished() {
    Games = FReader.TakeGames();
    IndexPgnFile();
}

// ---- the games

void TFormPGN::IndexPgnFile() {
    GameCount = int(Games.size());
    if (FReader.Excess())
        platform::MessageBox(QStringLiteral("Il numero massimo di partite per singolo file\n") +
                                 QStringLiteral("gestito dal programma e' di ") +
                                 QString::number(CodPGN::MaxGames) + QStringLiteral("\n") +
                                 QStringLiteral("Le partite in eccesso non saranno caricate"),
                             QStringLiteral("PGN"), platform::MB_ICONWARNING, this);
    CurrentGame = 1;
    ShowPgnGame();
}

void TFormPGN::SetCounter(int current, int count, bool cut) {
    LabelCounter->setText(QStringLiteral("Partita %1/%2").arg(current).arg(count) +
                          (cut ? QStringLiteral(" (troncata)") : QString()));
}

void TFormPGN::ShowPgnGame() {
    CurrentGame = GameCount == 0 ? 0 : std::clamp(CurrentGame, 1, GameCount);
    MemoTags->clear();
    MemoMoves->clear();
    FShown.reset();
    SetCounter(CurrentGame, GameCount, CurrentGame > 0 && Games[CurrentGame - 1].Cut);
    if (CurrentGame > 0) {
        CodPGN::TPgnGame game;
        if (FReader.ReadGame(Games[CurrentGame - 1], game)) {
            MemoTags->setPlainText(CodPGN::ShownText(game.Tags));
            MemoMoves->setPlainText(CodPGN::ShownText(game.Moves));
            FShown = std::move(game);
        } else {
            platform::ShowError(
                QStringLiteral("La partita %1 non si puo' piu' leggere: il file e' cambiato o "
                               "non e' leggibile.\nScegliere di nuovo il file.")
                    .arg(CurrentGame),
                this);
        }
    }
    BtnFirst->setEnabled(CurrentGame >= 2);
    BtnPrev->setEnabled(CurrentGame >= 2);
    BtnNext->setEnabled(CurrentGame < GameCount);
    BtnLast->setEnabled(CurrentGame < GameCount);
}

void TFormPGN::ReadPgnTags(const QStringList& lines) {
    const CodPGN::TPgnTags tags = CodPGN::ReadPgnTags(lines);
    Event = tags.Event;
    Site = tags.Site;
    Date = tags.Date;
    Round = tags.Round;
    White = tags.White;
    Black = tags.Black;
    Result = tags.Result;
}

void TFormPGN::ReadPgnMoves(QStringList& target, const QStringList& lines) {
    target = CodPGN::ReadPgnMoves(lines);
}

// With no game shown (none found, or the chosen one no longer readable) there is nothing to
// import: OK closes as "Annulla" does. The game is read from its own lines, not from the memos,
// which show it cut.
void TFormPGN::BtnOkClick() {
    if (!FShown) {
        BtnAnnullaClick();
        return;
    }
    ReadPgnTags(FShown->TagLines());
    ReadPgnMoves(Moves, FShown->MoveLines());
    accept();
}

void TFormPGN::BtnAnnullaClick() {
    ReadPgnTags({});
    ReadPgnMoves(Moves, {});
    reject();
}

// A reading under way is dropped; a source read to its end stays, for browsing on when the
// window comes back.
void TFormPGN::done(int result) {
    if (FReader.Busy())
        FReader.Abandon();
    QDialog::done(result);
}

// ---- export

CodPGN::TPgnTags TFormPGN::Tags() const {
    return {Event, Site, Date, Round, White, Black, Result};
}

bool TFormPGN::WritePgnGame(const QString& fileName) {
    const QString text = CodPGN::PassThroughExternalProgram(CodPGN::BuildPgnGame(Tags(), Moves));
    QString error;
    if (!CodPGN::WritePgnText(fileName, text, Append, &error)) {
        platform::ShowError(error, this);
        return false;
    }
    return true;
}
