#pragma once

// The main window: its controls, the wiring of every user action to its handler, and the
// one error boundary those handlers go through.

#include "answer.h"
#include "core/services.h"
#include "desktopbrowser.h"
#include "lessonfile.h"
#include "lessonlistmodel.h"
#include "qtcontrols.h"
#include "questionpicking.h"
#include "shortcuts.h"

#include <QMainWindow>
#include <functional>
#include <memory>

class QButtonGroup;
class QGroupBox;
class QMenu;
class QListView;
class QPushButton;
class QRadioButton;

namespace mulo {

struct Form1Services {
    RandomSource& random;
    const AppInfo& app;
    // Defaults to a real message box over the window.
    MessageBoxOps* messageBox = nullptr;
    std::function<FileBytes(const QString& path)> readFile = readLessonFileBytes;
    // Makes a new voice object; without one, creating the voice fails (no speech service).
    speech::VoiceFactory createVoice = {};
    // Defaults to the desktop's browser, whose refusals are reported over the window.
    web::BrowserFactory createBrowser = {};
};

class Form1 : public QMainWindow, public CaptionOps {
    Q_OBJECT
public:
    explicit Form1(Form1Services services, QWidget* parent = nullptr);
    ~Form1() override;

    void setCaption(const QString& caption) override { setWindowTitle(caption); }
    LessonListModel& lessons() { return m_lessons; }

    // Handlers, named after the control and event that run them.
    void Form_Load();
    void cmdTest_Click();
    void cmdRead_Click();
    void Option1_Click(qint16 Index);
    void test_test_Click();
    void test_Answer_Click();
    // The web shortcuts of the menus, by item name ("sb", "update", …).
    void webShortcut_Click(const QString& item);

    void setVisible(bool visible) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    QGroupBox* createFrame(QWidget* client, const char* name, const QString& caption,
                           QRect geometry);
    void createQuestionFrame(QWidget* client);
    void createRangeFrame(QWidget* client);
    void createQuestionCommandsFrame(QWidget* client);
    void orderTabStops();
    void createMenus();
    QMenu* createMenu(const char* item, const QString& caption);
    void addWebShortcut(QWidget* menu, const web::WebShortcut& shortcut);
    void wireEvents();
    // Every handler but start-up runs through here: a failure becomes a message and the
    // program goes on.
    void guarded(const char* handler, const std::function<void()>& body);
    QuizControls quizControls();
    // Picks a question and remembers where it came from.
    void pickQuestion(QuizControls& quiz);

    Form1Services m_services;
    std::unique_ptr<MessageBoxOps> m_ownMessageBox;
    MessageBoxOps* m_messageBox;
    LessonListModel m_lessons;
    std::unique_ptr<speech::SpVoice> m_voice; // Voice: lives as long as the window
    web::WebShortcuts m_web;
    bool m_loaded = false;
    // Where the last pick's question came from, until the box is written otherwise: a
    // character asked alone is said as its lesson reads it.
    QuestionPlace m_picked;

    QGroupBox* m_frame1 = nullptr;
    QGroupBox* m_frame2 = nullptr;
    QGroupBox* m_frame3 = nullptr;
    QLineEdit* m_txtTi = nullptr;
    QListView* m_lstAllWords = nullptr;
    QButtonGroup* m_option1 = nullptr;
    QCheckBox* m_chkRnd = nullptr;
    QCheckBox* m_chkSingle = nullptr;
    QPushButton* m_cmdTest = nullptr;
    QPushButton* m_cmdRead = nullptr;

    std::unique_ptr<LineEditText> m_txtTiOps;
    std::unique_ptr<CheckBoxValue> m_chkRndOps;
    std::unique_ptr<CheckBoxValue> m_chkSingleOps;
};

} // namespace mulo
