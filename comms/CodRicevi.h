#pragma once
// "Ricevi mosse": downloads the newest headers of the newsgroup into a grid, filters them by
// subject words, downloads marked articles and shows one with its subject and move lines
// highlighted, ready to be copied for the main window's paste.

#include "platform/PopupMenu.h"

#include <QImage>
#include <QWidget>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TFindDialog;
class TFormStorage;
class TKxRichEdit;
class TKxSplitter;
class TNntpThread;
class TKxSpinEdit;
class TStringGrid;

// Whether a header is listed: some word of the filter (letters and digits) stands in the
// subject, case aside; an empty filter lists everything.
bool HeaderMatchesFilter(const QString& subject, const QString& filter);

// A run of the shown article to highlight; positions count a line break as one character.
struct TArticleHighlight {
    int Start = 0;
    int Length = 0;
    bool Blue = false;
};
// The subject bold (its match code also blue), and each move line written twice bold and blue.
QList<TArticleHighlight> ArticleHighlights(const QStringList& lines);

class TFormRicevi : public QWidget {
    Q_OBJECT
public:
    explicit TFormRicevi(QWidget* parent = nullptr);

    // One slot per grid row (slot 0 for the title row): the row's article as it came, or nothing.
    QList<QByteArray> Articles;
    QString UserName;
    QString Password;
    QString Host;
    QString NewsGroup;
    int Port = 119;

    QLineEdit* EditFiltro;
    TKxSpinEdit* EditCount;
    QPushButton* BtnScaricaIntest;
    QPushButton* BtnScaricaTesto;
    QPushButton* BtnCancella;
    QPushButton* BtnChiudi;
    QCheckBox* CheckBoxScaricaTutto;
    TStringGrid* GridHeaders;
    TKxSplitter* Splitter1;
    TKxRichEdit* RichEdit1;
    platform::TPopupMenu* PopupMenuText;
    QAction* Copia1;
    QAction* Selezionatutto1;
    QAction* Trova1;
    QAction* Carattereproporzionale1;
    TFindDialog* FindDialog1;
    QLabel* LabelCheck;
    QLabel* LabelBusta;
    QLabel* LabelBustaAperta;
    QImage ImageCheck;
    QImage ImageBusta;
    QImage ImageBustaAperta;
    QImage ImagePallino;
    TFormStorage* FormStorage1;

    bool FetchHeaders(bool quiet);
    bool FetchArticles(bool all);

    void BtnScaricaIntestClick();
    void BtnScaricaTestoClick();
    void CheckBoxScaricaTuttoClick();
    void BtnCancellaClick();
    void BtnChiudiClick();
    void GridHeadersMouseDown(Qt::MouseButton button);
    void GridHeadersDrawCell(int col, int row, const QRect& rect);
    void PopupMenuTextPopup();
    void Carattereproporzionale1Click();
    void Trova1Click();
    void FindDialog1Find();

    // Disabled while any news operation runs.
    void UpdateButtons();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateComponents();
    void CreateGrid();
    void CreateTextMenu();
    bool Login();
    void FillConnection(TNntpThread& thread) const;
    void ShowArticle(int row);
    void ApplyTextFont();
    void SaveColumns();
    void RestoreColumns();
    void WriteServiceKeys();
    QString Status(int row) const;
    const QImage& StatusIcon(const QString& status) const;
};

extern TFormRicevi* FormRicevi;
