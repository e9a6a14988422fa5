#include "comms/CodRicevi.h"

#include "comms/CodConnessione.h"
#include "comms/CodNntpThread.h"
#include "controls/Grids.h"
#include "controls/KXSpin.h"
#include "controls/KXSplit.h"
#include "controls/KxRichEdit.h"
#include "platform/AlignLayout.h"
#include "platform/Colors.h"
#include "platform/FindDialog.h"
#include "platform/Graphics.h"
#include "platform/IniFile.h"
#include "platform/MessageBox.h"
#include "storage/Apputils.h"
#include "storage/Placemnt.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>

TFormRicevi* FormRicevi = nullptr;

namespace {

const QString Failed = QStringLiteral("Operazione fallita");
const QString ServiceSection = QStringLiteral("Zeltor");
constexpr int TitleRow = 0;
constexpr TColor CurrentReadRow = 0x80FFFF;

bool IsAlnum(QChar c) {
    return c.isLetterOrNumber();
}

// Status icons on silver, the colour the grid replaces by the cell's own.
QImage Icon(const std::function<void(QPainter&)>& draw) {
    QImage image(20, 15, QImage::Format_ARGB32);
    image.fill(QColor(0xC0, 0xC0, 0xC0));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter);
    return image;
}

QImage Envelope(bool open) {
    return Icon([open](QPainter& p) {
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(open ? QColor(0xFF, 0xFF, 0xE0) : QColor(0xFF, 0xFF, 0xFF));
        const QRectF body(3.5, 4.5, 13, 8);
        p.drawRect(body);
        if (open)
            p.drawPolyline(QPolygonF{{3.5, 4.5}, {10, 0.5}, {16.5, 4.5}});
        p.drawPolyline(QPolygonF{{3.5, 4.5}, {10, 9.5}, {16.5, 4.5}});
    });
}

} // namespace

bool HeaderMatchesFilter(const QString& subject, const QString& filter) {
    QString words = filter.toLower();
    for (QChar& c : words) {
        if (!IsAlnum(c))
            c = QLatin1Char(' ');
    }
    words = words.trimmed();
    if (words.isEmpty())
        return true;
    const QString text = subject.toLower();
    while (!words.isEmpty()) {
        qsizetype end = 0;
        while (end < words.size() && IsAlnum(words[end]))
            ++end;
        const QString word = words.left(end);
        words = words.mid(end).trimmed();
        if (text.contains(word))
            return true;
    }
    return false;
}

QList<TArticleHighlight> ArticleHighlights(const QStringList& lines) {
    const QString text = lines.join(QLatin1Char('\r'));
    QList<TArticleHighlight> runs;
    const qsizetype subject = text.indexOf(QStringLiteral("Subject: "));
    if (subject >= 0) {
        const qsizetype start = subject + 9;
        qsizetype end = text.indexOf(QLatin1Char('\r'), start);
        if (end < 0)
            end = text.size();
        runs.append({int(start), int(end - start), false});
        const QString code = text.mid(start, 5);
        if (code.size() == 5 && code[0].isDigit() && code[1].isDigit() && IsAlnum(code[2]) &&
            IsAlnum(code[3]) && code[4] == QLatin1Char('-'))
            runs.append({int(start), 4, true});
    }
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        const QString& line = lines[i];
        if (line.isEmpty() || !line[0].isDigit() || lines[i + 1] != line)
            continue;
        const qsizetype at = text.indexOf(line + QLatin1Char('\r') + line);
        runs.append({int(at), int(line.size() * 2 + 1), true});
    }
    return runs;
}

TFormRicevi::TFormRicevi(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("FormRicevi"));
    setWindowTitle(QStringLiteral("Ricevi mosse"));
    ImageCheck = Icon([](QPainter& p) {
        p.setPen(QPen(QColor(0, 0x80, 0), 2.5));
        p.drawPolyline(QPolygonF{{5, 8}, {8.5, 11.5}, {15, 3}});
    });
    ImageBusta = Envelope(false);
    ImageBustaAperta = Envelope(true);
    ImagePallino = Icon([](QPainter& p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x80, 0x80, 0x80));
        p.drawEllipse(QPointF(10, 7.5), 2.5, 2.5);
    });
    Articles = {QByteArray()};
    CreateComponents();
    resize(820, 560);
}

void TFormRicevi::CreateComponents() {
    auto* top = new QWidget(this);
    top->setObjectName(QStringLiteral("PanelTop"));
    EditFiltro = new QLineEdit(top);
    EditFiltro->setObjectName(QStringLiteral("EditFiltro"));
    EditCount = new TKxSpinEdit(top);
    EditCount->setObjectName(QStringLiteral("EditCount"));
    EditCount->setAlignment(Qt::AlignRight);
    EditCount->SetMaxValue(1000000);
    EditCount->setFixedWidth(80);
    BtnScaricaIntest = new QPushButton(QStringLiteral("Scarica intestazioni"), top);
    BtnScaricaIntest->setObjectName(QStringLiteral("BtnScaricaIntest"));
    BtnScaricaTesto = new QPushButton(QStringLiteral("Scarica testo"), top);
    BtnScaricaTesto->setObjectName(QStringLiteral("BtnScaricaTesto"));
    BtnCancella = new QPushButton(QStringLiteral("Cancella tutto"), top);
    BtnCancella->setObjectName(QStringLiteral("BtnCancella"));
    BtnChiudi = new QPushButton(QStringLiteral("Chiudi"), top);
    BtnChiudi->setObjectName(QStringLiteral("BtnChiudi"));
    CheckBoxScaricaTutto = new QCheckBox(QStringLiteral("Scarica subito testi dei messaggi"), top);
    CheckBoxScaricaTutto->setObjectName(QStringLiteral("CheckBoxScaricaTutto"));
    connect(BtnScaricaIntest, &QPushButton::clicked, this, &TFormRicevi::BtnScaricaIntestClick);
    connect(BtnScaricaTesto, &QPushButton::clicked, this, &TFormRicevi::BtnScaricaTestoClick);
    connect(BtnCancella, &QPushButton::clicked, this, &TFormRicevi::BtnCancellaClick);
    connect(BtnChiudi, &QPushButton::clicked, this, &TFormRicevi::BtnChiudiClick);
    connect(CheckBoxScaricaTutto, &QCheckBox::toggled, this,
            &TFormRicevi::CheckBoxScaricaTuttoClick);
    LabelCheck = new QLabel(QStringLiteral("Q"), this);
    LabelBusta = new QLabel(QStringLiteral("S"), this);
    LabelBustaAperta = new QLabel(QStringLiteral("O"), this);
    for (auto [label, name] : {std::pair{LabelCheck, "LabelCheck"},
                               {LabelBusta, "LabelBusta"},
                               {LabelBustaAperta, "LabelBustaAperta"}}) {
        label->setObjectName(QLatin1String(name));
        label->hide();
    }

    auto* fields = new QHBoxLayout;
    fields->addWidget(new QLabel(QStringLiteral("Filtro intestazioni:"), top));
    fields->addWidget(EditFiltro, 1);
    fields->addWidget(new QLabel(QStringLiteral("Max. messaggi da scaricare:"), top));
    fields->addWidget(EditCount);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {BtnScaricaIntest, BtnScaricaTesto, BtnCancella})
        buttons->addWidget(button);
    buttons->addWidget(CheckBoxScaricaTutto);
    buttons->addStretch();
    buttons->addWidget(BtnChiudi);
    auto* layout = new QVBoxLayout(top);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    top->resize(width(), top->sizeHint().height());
    platform::SetAlign(top, alTop);

    CreateGrid();
    // Aligning sets the splitter's height, so the height comes after.
    Splitter1 = new TKxSplitter(this);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    // Docked controls of one edge stack by their place: this one goes under the grid.
    Splitter1->move(0, GridHeaders->geometry().bottom() + 1);
    Splitter1->SetAlign(alTop);
    Splitter1->resize(Splitter1->width(), 6);
    Splitter1->SetBevelInner(platform::TCustomPanel::bvLowered);
    Splitter1->SetControlFirst(GridHeaders);
    RichEdit1 = new TKxRichEdit(this);
    RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
    RichEdit1->SetReadOnly(true);
    RichEdit1->SetWordWrap(false);
    RichEdit1->SetScrollBars(ssBoth);
    platform::SetAlign(RichEdit1, alClient);
    CreateTextMenu();

    FormStorage1 = new TFormStorage(this);
    FormStorage1->setObjectName(QStringLiteral("FormStorage1"));
    FormStorage1->SetIniFileName(QStringLiteral("./Quendel.ini"));
    FormStorage1->SetIniSection(QStringLiteral("RiceviMosse"));
    FormStorage1->SetStoredProps(
        {QStringLiteral("CheckBoxScaricaTutto.Checked"), QStringLiteral("GridHeaders.Height")});
    FormStorage1->OnSavePlacement = [this](QObject*) { SaveColumns(); };
    FormStorage1->OnRestorePlacement = [this](QObject*) { RestoreColumns(); };
}

void TFormRicevi::CreateGrid() {
    GridHeaders = new TStringGrid(this);
    GridHeaders->setObjectName(QStringLiteral("GridHeaders"));
    GridHeaders->SetColCount(5);
    GridHeaders->SetRowCount(1);
    GridHeaders->SetFixedCols(0);
    GridHeaders->SetFixedRows(0);
    GridHeaders->SetDefaultRowHeight(15);
    GridHeaders->SetDefaultDrawing(false);
    GridHeaders->SetOptions(goFixedVertLine | goFixedHorzLine | goHorzLine | goColSizing |
                            goRowSelect);
    const int widths[] = {50, 50, 200, 200, 250};
    const char* titles[] = {"Stato", "ID", "Data", "Oggetto", "Autore"};
    for (int col = 0; col < 5; ++col) {
        GridHeaders->SetColWidths(col, widths[col]);
        GridHeaders->SetCells(col, TitleRow, QLatin1String(titles[col]));
    }
    GridHeaders->OnDrawCell = [this](QObject*, int col, int row, const QRect& rect,
                                     TGridDrawState) { GridHeadersDrawCell(col, row, rect); };
    GridHeaders->installEventFilter(this);
    GridHeaders->viewport()->installEventFilter(this);
    platform::SetAlign(GridHeaders, alTop);
    GridHeaders->resize(GridHeaders->width(), 180);
}

void TFormRicevi::CreateTextMenu() {
    PopupMenuText = new platform::TPopupMenu(this);
    PopupMenuText->setObjectName(QStringLiteral("PopupMenuText"));
    Copia1 = PopupMenuText->addAction(QStringLiteral("Copia"), RichEdit1,
                                      [this] { RichEdit1->CopyToClipboard(); });
    Copia1->setShortcut(QKeySequence(QStringLiteral("Ctrl+C")));
    Selezionatutto1 = PopupMenuText->addAction(QStringLiteral("Seleziona tutto"), RichEdit1,
                                               [this] { RichEdit1->SelectAll(); });
    Selezionatutto1->setShortcut(QKeySequence(QStringLiteral("Ctrl+A")));
    Trova1 = PopupMenuText->addAction(QStringLiteral("Trova"), this, &TFormRicevi::Trova1Click);
    Trova1->setShortcut(QKeySequence(QStringLiteral("Ctrl+F")));
    PopupMenuText->addSeparator();
    Carattereproporzionale1 =
        PopupMenuText->addAction(QStringLiteral("Carattere non proporzionale"));
    Carattereproporzionale1->setCheckable(true);
    Carattereproporzionale1->setChecked(true);
    connect(Carattereproporzionale1, &QAction::triggered, this,
            &TFormRicevi::Carattereproporzionale1Click);
    Copia1->setObjectName(QStringLiteral("Copia1"));
    Selezionatutto1->setObjectName(QStringLiteral("Selezionatutto1"));
    Trova1->setObjectName(QStringLiteral("Trova1"));
    Carattereproporzionale1->setObjectName(QStringLiteral("Carattereproporzionale1"));
    RichEdit1->PopupMenu = PopupMenuText;
    FindDialog1 = new TFindDialog(this);
    FindDialog1->setObjectName(QStringLiteral("FindDialog1"));
    FindDialog1->OnFind = [this](QObject*) { FindDialog1Find(); };
    connect(PopupMenuText, &QMenu::aboutToShow, this, &TFormRicevi::PopupMenuTextPopup);
    ApplyTextFont();
}

// ---- settings

void TFormRicevi::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        TIniFile ini(QStringLiteral("./Quendel.ini"));
        EditCount->SetValue(
            IniReadInteger(&ini, ServiceSection, QStringLiteral("Max msg da scaricare"), 100));
        EditFiltro->setText(
            IniReadString(&ini, ServiceSection, QStringLiteral("Filtro intestazioni"), QString()));
        UpdateButtons();
    }
    QWidget::showEvent(event);
}

void TFormRicevi::closeEvent(QCloseEvent* event) {
    WriteServiceKeys();
    QWidget::closeEvent(event);
}

void TFormRicevi::WriteServiceKeys() {
    try {
        TIniFile ini(QStringLiteral("./Quendel.ini"));
        platform::InOneRewrite(ini, [&] {
            IniWriteInteger(&ini, ServiceSection, QStringLiteral("Max msg da scaricare"),
                            int(EditCount->GetAsInteger()));
            IniWriteString(&ini, ServiceSection, QStringLiteral("Filtro intestazioni"),
                           EditFiltro->text());
        });
    } catch (const std::exception& error) {
        platform::ShowError(QString::fromUtf8(error.what()), this);
    }
}

void TFormRicevi::SaveColumns() {
    const TIniObject ini = FormStorage1->IniFile();
    for (int col = 0; col < GridHeaders->ColCount(); ++col)
        IniWriteInteger(ini, FormStorage1->IniSection(), QStringLiteral("Col%1").arg(col),
                        GridHeaders->ColWidths(col));
    IniWriteInteger(ini, FormStorage1->IniSection(), QStringLiteral("Non Proportional Font"),
                    Carattereproporzionale1->isChecked() ? 1 : 0);
}

void TFormRicevi::RestoreColumns() {
    const TIniObject ini = FormStorage1->IniFile();
    for (int col = 0; col < GridHeaders->ColCount(); ++col) {
        const int width =
            IniReadInteger(ini, FormStorage1->IniSection(), QStringLiteral("Col%1").arg(col), -1);
        if (width > 0 && width <= 32767)
            GridHeaders->SetColWidths(col, width);
    }
    Carattereproporzionale1->setChecked(IniReadInteger(ini, FormStorage1->IniSection(),
                                                       QStringLiteral("Non Proportional Font"),
                                                       1) != 0);
    ApplyTextFont();
}

// ---- downloads

bool TFormRicevi::Login() {
    return AskNntpLogin(UserName, Password, this);
}

void TFormRicevi::UpdateButtons() {
    const bool idle = !FormConnessione || !FormConnessione->Busy();
    BtnScaricaIntest->setEnabled(idle);
    BtnScaricaTesto->setEnabled(idle && !CheckBoxScaricaTutto->isChecked());
    BtnCancella->setEnabled(idle);
    BtnChiudi->setEnabled(idle);
}

void TFormRicevi::FillConnection(TNntpThread& thread) const {
    thread.UserName = UserName;
    thread.Password = Password;
    thread.Host = Host;
    thread.Port = Port;
    thread.NewsGroup = NewsGroup;
}

bool TFormRicevi::FetchHeaders(bool quiet) {
    if (!FormConnessione || FormConnessione->Busy())
        return false;
    BtnCancellaClick();
    const QString filter = EditFiltro->text();
    if (!Login())
        return false;
    TNntpThread thread;
    thread.Operation = opHeaders;
    FillConnection(thread);
    thread.MaxHeaders = int(EditCount->GetAsInteger());
    FormConnessione->Run(thread);
    int rows = 0;
    for (const NntpHeader& header : thread.Headers) {
        if (!HeaderMatchesFilter(header.Subject, filter))
            continue;
        ++rows;
        GridHeaders->SetRowCount(rows + 1);
        GridHeaders->SetCells(1, rows, QString::number(header.Number));
        GridHeaders->SetCells(2, rows, header.Date);
        GridHeaders->SetCells(3, rows, header.Subject);
        GridHeaders->SetCells(4, rows, header.Author);
        Articles.append(QByteArray());
    }
    GridHeaders->SetRowCount(rows + 1);
    GridHeaders->SetFixedRows(rows > 0 ? 1 : 0);
    if (rows > 0)
        GridHeaders->SetRow(rows);
    GridHeaders->viewport()->update();
    if (thread.OpResult != 0) {
        platform::MessageBox(thread.ErrorText, Failed, 16, this);
        return false;
    }
    if (!quiet)
        platform::MessageBox(QStringLiteral("%1 intestazioni scaricate").arg(rows),
                             QStringLiteral("Intestazioni scaricate"), 64, this);
    return true;
}

bool TFormRicevi::FetchArticles(bool all) {
    if (!FormConnessione || FormConnessione->Busy() || !Login())
        return false;
    QList<int> wanted;
    for (int row = 1; row < GridHeaders->RowCount(); ++row) {
        const QString number = GridHeaders->Cells(1, row);
        if (number.isEmpty())
            break;
        if (all || !Status(row).isEmpty())
            wanted.append(number.toInt());
    }
    TNntpThread thread;
    thread.Operation = opArticles;
    FillConnection(thread);
    thread.WantedArticles = wanted;
    FormConnessione->Run(thread);
    int placed = 0;
    for (int row = 1; row < GridHeaders->RowCount() && placed < thread.Articles.size(); ++row) {
        if (placed < wanted.size() && GridHeaders->Cells(1, row).toInt() == wanted[placed]) {
            Articles[row] = thread.Articles[placed];
            GridHeaders->SetCells(0, row, LabelBusta->text());
            ++placed;
        }
    }
    GridHeaders->viewport()->update();
    if (thread.OpResult != 0) {
        platform::MessageBox(thread.ErrorText, Failed, 16, this);
        return false;
    }
    platform::MessageBox(QStringLiteral("%1 messaggi scaricati").arg(placed),
                         QStringLiteral("Messaggi scaricati"), 64, this);
    return true;
}

// ---- buttons

void TFormRicevi::BtnScaricaIntestClick() {
    if (CheckBoxScaricaTutto->isChecked()) {
        if (FetchHeaders(true))
            FetchArticles(true);
    } else {
        FetchHeaders(false);
    }
}

void TFormRicevi::BtnScaricaTestoClick() {
    FetchArticles(false);
}

void TFormRicevi::CheckBoxScaricaTuttoClick() {
    const bool all = CheckBoxScaricaTutto->isChecked();
    BtnScaricaIntest->setText(all ? QStringLiteral("Scarica messaggi")
                                  : QStringLiteral("Scarica intestazioni"));
    UpdateButtons();
}

void TFormRicevi::BtnCancellaClick() {
    RichEdit1->Clear();
    for (int row = 1; row < GridHeaders->RowCount(); ++row) {
        for (int col = 0; col < GridHeaders->ColCount(); ++col)
            GridHeaders->SetCells(col, row, QString());
    }
    GridHeaders->SetFixedRows(0);
    GridHeaders->SetRowCount(1);
    Articles = {QByteArray()};
}

void TFormRicevi::BtnChiudiClick() {
    close();
}

// ---- marking, reading and drawing

QString TFormRicevi::Status(int row) const {
    return GridHeaders->Cells(0, row);
}

bool TFormRicevi::eventFilter(QObject* watched, QEvent* event) {
    if (watched == GridHeaders->viewport() && event->type() == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        // The grid moves its current cell first, then the window reacts.
        QMetaObject::invokeMethod(
            this, [this, button = mouse->button()] { GridHeadersMouseDown(button); },
            Qt::QueuedConnection);
    }
    return QWidget::eventFilter(watched, event);
}

void TFormRicevi::GridHeadersMouseDown(Qt::MouseButton button) {
    if (button != Qt::LeftButton)
        return;
    const int row = GridHeaders->Row();
    if (row >= 1 && row < GridHeaders->RowCount() && GridHeaders->Col() == 0) {
        if (Status(row).isEmpty())
            GridHeaders->SetCells(0, row, LabelCheck->text());
        else if (Status(row) == LabelCheck->text())
            GridHeaders->SetCells(0, row, QString());
    }
    if (row >= 1 &&
        (Status(row) == LabelBusta->text() || Status(row) == LabelBustaAperta->text())) {
        ShowArticle(row);
        GridHeaders->SetCells(0, row, LabelBustaAperta->text());
    } else {
        RichEdit1->Clear();
    }
    GridHeaders->viewport()->update();
}

void TFormRicevi::ShowArticle(int row) {
    RichEdit1->Clear();
    // The lines without their line feeds and without any carriage return.
    const QByteArray article = Articles.value(row);
    QList<QByteArray> pieces = article.split('\n');
    if (article.endsWith('\n'))
        pieces.removeLast();
    QStringList lines;
    for (const QByteArray& piece : pieces)
        lines.append(QString::fromLatin1(piece).remove(QLatin1Char('\r')));
    RichEdit1->Lines.SetText(lines.join(QLatin1Char('\n')));
    for (const TArticleHighlight& run : ArticleHighlights(lines)) {
        RichEdit1->SetSelStart(run.Start);
        RichEdit1->SetSelLength(run.Length);
        RichEdit1->SelAttributes.SetStyle(fsBold);
        if (run.Blue)
            RichEdit1->SelAttributes.SetColor(platform::clBlue);
    }
    RichEdit1->SetSelStart(0);
    RichEdit1->SetSelLength(0);
}

const QImage& TFormRicevi::StatusIcon(const QString& status) const {
    if (status == LabelBusta->text())
        return ImageBusta;
    if (status == LabelCheck->text())
        return ImageCheck;
    if (status == LabelBustaAperta->text())
        return ImageBustaAperta;
    return ImagePallino;
}

void TFormRicevi::GridHeadersDrawCell(int col, int row, const QRect& rect) {
    QPainter* canvas = GridHeaders->Canvas();
    if (!canvas)
        return;
    const bool title = row == TitleRow;
    const bool readRow = row == GridHeaders->Row() && Status(row) == LabelBustaAperta->text();
    const QColor background = title     ? QColor(0xC0, 0xC0, 0xC0)
                              : readRow ? platform::ToQColor(CurrentReadRow)
                                        : QColor(Qt::white);
    canvas->fillRect(rect, background);
    QFont font = GridHeaders->font();
    font.setBold(!title && Status(row) == LabelBusta->text());
    canvas->setFont(font);
    canvas->setPen(Qt::black);
    if (title) {
        canvas->drawText(rect, Qt::AlignCenter, GridHeaders->Cells(col, row));
        canvas->setPen(QColor(0x80, 0x80, 0x80));
        canvas->drawLine(rect.bottomLeft(), rect.bottomRight());
    } else if (col == 0) {
        const QImage& icon = StatusIcon(Status(row));
        QImage shown = platform::MaskColor(icon, platform::FromQColor(icon.pixelColor(1, 1)));
        shown = platform::MaskColor(shown, platform::FromQColor(icon.pixelColor(19, 14)));
        canvas->drawImage(rect.center() - QPoint(icon.width() / 2, icon.height() / 2), shown);
    } else {
        canvas->drawText(rect.adjusted(2, 2, -2, 0), Qt::AlignRight | Qt::AlignTop,
                         GridHeaders->Cells(col, row));
    }
}

// ---- the text's menu

void TFormRicevi::PopupMenuTextPopup() {
    const bool hasText = RichEdit1->Lines.Count() > 0 && !RichEdit1->Text().isEmpty();
    for (QAction* item : {Copia1, Selezionatutto1, Trova1, Carattereproporzionale1})
        item->setEnabled(hasText);
}

void TFormRicevi::Trova1Click() {
    FindDialog1->SetPosition(RichEdit1->mapToGlobal(QPoint(RichEdit1->width(), 0)));
    FindDialog1->Execute();
}

// From the end of the selection, or from the start without one, to the end of the text.
void TFormRicevi::FindDialog1Find() {
    const int start =
        RichEdit1->SelLength() > 0 ? RichEdit1->SelStart() + RichEdit1->SelLength() : 0;
    const TRichSearchTypes options =
        FindDialog1->Options & frMatchCase ? TRichSearchTypes(stMatchCase) : TRichSearchTypes();
    const int found =
        RichEdit1->FindText(FindDialog1->FindText, start, RichEdit1->GetTextLen() - start, options);
    if (found < 0)
        return;
    RichEdit1->setFocus();
    RichEdit1->SetSelStart(found);
    RichEdit1->SetSelLength(int(FindDialog1->FindText.size()));
    RichEdit1->ensureCursorVisible();
}

void TFormRicevi::Carattereproporzionale1Click() {
    ApplyTextFont();
}

void TFormRicevi::ApplyTextFont() {
    QFont font = Carattereproporzionale1->isChecked() ? QFont(QStringLiteral("Courier New"))
                                                      : QFont(QStringLiteral("MS Sans Serif"));
    font.setStyleHint(Carattereproporzionale1->isChecked() ? QFont::Monospace : QFont::SansSerif);
    RichEdit1->setFont(font);
}
