#pragma once
// The real main window, created as the start-up creates it, in a temporary working folder; every
// box, dialog and beep is answered and recorded by hooks.

#include "app/CodCaptured.h"
#include "app/CodMain.h"
#include "app/CodPromotion.h"
#include "app/Quendel.h"
#include "app/RadioGroup.h"
#include "controls/SpeedBar.h"
#include "platform/Dialogs.h"
#include "platform/MessageBox.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <deque>
#include <gtest/gtest.h>

// Clicks a tool-bar item's button as the user does.
inline void ClickItem(TSpeedItem* item) {
    QTest::mouseClick(item->Button(), Qt::LeftButton);
}

struct TBoxSeen {
    QString text;
    QString caption;
    int flags;
};

class MainWindowTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString previousFolder = QDir::currentPath();
    std::vector<TBoxSeen> boxes;
    std::deque<int> answers;
    std::vector<int> beeps;
    std::vector<QString> fileDialogs;
    QString fileAnswer;
    std::vector<QString> modalShown;
    std::function<int(QDialog&)> modalAnswer;
    std::vector<int> results;
    std::vector<QString> netEvents;

    platform::MessageBoxHook oldBox;
    platform::BeepHook oldBeep;
    platform::FileDialogHook oldFile;
    platform::ShowModalHook oldModal;

    void SetUp() override {
        QDir::setCurrent(dir.path());
        oldBox = platform::SetMessageBoxHook([this](const QString& t, const QString& c, int f) {
            boxes.push_back({t, c, f});
            if (answers.empty())
                return int(platform::IDOK);
            const int answer = answers.front();
            answers.pop_front();
            return answer;
        });
        oldBeep = platform::SetBeepHook([this](int kind) { beeps.push_back(kind); });
        oldFile = platform::SetFileDialogHook([this](const platform::TFileDialog& d) {
            fileDialogs.push_back(d.objectName() + ":" + d.FileName);
            return fileAnswer;
        });
        oldModal = platform::SetShowModalHook([this](QDialog& d) {
            modalShown.push_back(d.objectName());
            return modalAnswer ? modalAnswer(d) : int(QDialog::Accepted);
        });
        CreateWindows();
        // The main window's calls into the play window are recorded instead.
        NetPlayWindow.SetGameResult = [this](int r) { results.push_back(r); };
        NetPlayWindow.EndGame = [this] { netEvents.push_back("EndGame"); };
        NetPlayWindow.SendMove = [this](const QString& m) { netEvents.push_back("move " + m); };
        FormMain->show();
        QApplication::processEvents();
    }

    void TearDown() override {
        FormMain->Modified = false;
        DestroyWindows();
        NetPlayWindow = {};
        platform::SetMessageBoxHook(oldBox);
        platform::SetBeepHook(oldBeep);
        platform::SetFileDialogHook(oldFile);
        platform::SetShowModalHook(oldModal);
        QDir::setCurrent(previousFolder);
    }

    static int Captured(char letter) { return FormCaptured->Captured(letter); }
    static int CapturedTotal() {
        int total = 0;
        for (const char letter : QByteArray("PNBRQKpnbrqk"))
            total += Captured(letter);
        return total;
    }

    TChessBoard* Board() const { return FormMain->ChessBoard1; }

    QPoint Centre(Square sq) const {
        int column = (sq - 1) % 8;
        int row = (sq - 1) / 8;
        if (Board()->WhiteOnTop()) {
            column = 7 - column;
            row = 7 - row;
        }
        const int size = Board()->SizeOfSquare();
        return QPoint(Board()->SizeOfBorder() + column * size + size / 2,
                      Board()->SizeOfBorder() + row * size + size / 2);
    }

    // A move made with two clicks on the board.
    void Click(Square from, Square to) {
        QTest::mouseClick(Board(), Qt::LeftButton, {}, Centre(from));
        QTest::mouseClick(Board(), Qt::LeftButton, {}, Centre(to));
        QApplication::processEvents();
    }

    void Play(std::initializer_list<std::pair<Square, Square>> moves) {
        for (const auto& [from, to] : moves)
            Click(from, to);
    }

    QStringList Lines() const { return FormMain->MoveListLines(); }

    QByteArray FileBytes(const QString& name) const {
        QFile file(dir.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    void WriteFile(const QString& name, const QByteArray& data) const {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(data);
    }

    static void Open(QMenu* menu) { emit menu->aboutToShow(); }
};
