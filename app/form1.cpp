#include "form1.h"

#include "appearance.h"
#include "questionpicking.h"
#include "selection.h"
#include "startup.h"

#include <QApplication>
#include <QButtonGroup>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QKeyEvent>
#include <QListView>
#include <QMenuBar>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionFocusRect>
#include <QStyledItemDelegate>
#include <algorithm>
#include <cmath>
#include <future>

namespace mulo {

namespace {

// The layout is measured in twips, the unit its positions are written in below; 15 twips
// are one pixel at 96 dpi.
QRect twips(int left, int top, int width, int height)
{
    return {left / 15, top / 15, width / 15, height / 15};
}

// The line edit centres the font's line, which for CJK fonts is far taller than the
// characters: the big question would be cut at the bottom of its box. Centre the ink instead:
// that of the ideographs' em box (all of it, so that they never move or lose a stroke) and
// of whatever else the text holds, such as the descender of a Latin "g". When the two do not
// fit together the ideographs stay whole and the rest of the room goes below them. Returns
// the top text margin that puts the baseline there.
int questionTopMargin(const QFont& font, const QString& text, int boxHeight)
{
    const QFontMetricsF metrics(font);
    const double em = QFontInfo(font).pixelSize();
    const bool ideographs = text.isEmpty() || std::any_of(text.begin(), text.end(), [](QChar c) {
                                return c.script() == QChar::Script_Han;
                            });
    double top = ideographs ? -0.88 * em : 0, bottom = ideographs ? 0.12 * em : 0;
    if (!text.isEmpty()) {
        const QRectF ink = metrics.tightBoundingRect(text);
        top = ideographs ? std::min(top, ink.top()) : ink.top();
        bottom = ideographs ? std::max(bottom, ink.bottom()) : ink.bottom();
    }
    const double baseline =
        bottom - top <= boxHeight || !ideographs ? (boxHeight - top - bottom) / 2 : 0.88 * em;
    // The line edit puts the baseline at margin + (room - line height + 1) / 2 + ascent.
    return int(std::lround(2 * (baseline - metrics.ascent()) - boxHeight + metrics.height() - 1));
}

// Marks the current lesson whether or not the list has the focus: with "单字显示" a parent
// sees which lesson the character came from.
class CurrentLessonDelegate : public QStyledItemDelegate {
public:
    CurrentLessonDelegate(const LessonListModel& model, QObject* parent)
        : QStyledItemDelegate(parent), m_model(model)
    {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        if (index.row() == m_model.ListIndex())
            painter->fillRect(option.rect, QColor(180, 200, 224));
        QStyledItemDelegate::paint(painter, option, index);
    }
    // A CJK font's line is far taller than its characters: rows as tall as the characters
    // and their tick boxes need, so that the list shows nine lessons, as it was drawn to.
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return {QStyledItemDelegate::sizeHint(option, index).width(), rowHeight};
    }
    static constexpr int rowHeight = 16;

private:
    const LessonListModel& m_model;
};

// Shows the model's flags as tick boxes; a click anywhere on a row, or Space on the current
// row, toggles that entry and makes it current.
class LessonListView : public QListView {
public:
    LessonListView(LessonListModel& model, QWidget* parent) : QListView(parent), m_model(model)
    {
        setModel(&model);
        setItemDelegate(new CurrentLessonDelegate(model, this));
        setSelectionMode(NoSelection);
        setUniformItemSizes(true);
        // Once set explicitly, Qt no longer makes the first row current when the list gets
        // the keyboard focus.
        setCurrentIndex({});
        // A selection command announces its flags as one range of rows, which the view
        // leaves unpainted while it has a layout pending: the list repaints itself.
        connect(&model, &QAbstractItemModel::dataChanged, viewport(),
                qOverload<>(&QWidget::update));
        connect(&model, &LessonListModel::listIndexChanged, this, [this](int row) {
            selectionModel()->setCurrentIndex(m_model.index(row), QItemSelectionModel::NoUpdate);
        });
        connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
                [this](const QModelIndex& current) {
                    const int row = current.isValid() ? current.row() : -1;
                    if (row != m_model.ListIndex())
                        m_model.setListIndex(row);
                });
    }

protected:
    void mousePressEvent(QMouseEvent* event) override
    {
        QListView::mousePressEvent(event);
        toggleAt(event);
    }
    void mouseDoubleClickEvent(QMouseEvent* event) override
    {
        // Quick repeated clicks are still clicks: each one toggles.
        QListView::mouseDoubleClickEvent(event);
        toggleAt(event);
    }
    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->key() == Qt::Key_Space && m_model.ListIndex() >= 0) {
            m_model.toggleByUser(m_model.ListIndex());
            return;
        }
        QListView::keyPressEvent(event);
    }
    void paintEvent(QPaintEvent* event) override
    {
        QListView::paintEvent(event);
        // The current row carries the focus mark; with none, the whole list does, so that
        // tabbing in shows where the keyboard is without making a lesson current.
        if (hasFocus() && m_model.ListIndex() < 0) {
            QPainter painter(viewport());
            QStyleOptionFocusRect focus;
            focus.initFrom(this);
            focus.rect = viewport()->rect().adjusted(1, 1, -1, -1);
            focus.backgroundColor = palette().color(QPalette::Base);
            style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
        }
    }
    // Scrolling moves the painted rows and leaves the rest to be painted: the focus mark
    // around the whole list would move with them and stay behind as bands over the rows.
    void scrollContentsBy(int dx, int dy) override
    {
        QListView::scrollContentsBy(dx, dy);
        viewport()->update();
    }
    void focusInEvent(QFocusEvent* event) override
    {
        QListView::focusInEvent(event);
        viewport()->update();
    }
    void focusOutEvent(QFocusEvent* event) override
    {
        QListView::focusOutEvent(event);
        viewport()->update();
    }

private:
    void toggleAt(QMouseEvent* event)
    {
        const QModelIndex index = indexAt(event->position().toPoint());
        if (event->button() == Qt::LeftButton && index.isValid())
            m_model.toggleByUser(index.row());
    }

    LessonListModel& m_model;
};

// The client area: the background picture, unscaled from the top-left corner and clipped.
// The picture is decoded while the rest of the window is built; painting first needs it.
class ClientArea : public QWidget {
public:
    ClientArea(std::shared_future<QImage> picture, QWidget* parent)
        : QWidget(parent), m_picture(std::move(picture))
    {}

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.drawImage(0, 0, m_picture.get());
    }

private:
    std::shared_future<QImage> m_picture;
};

// Decodes the picture on another thread. At 16 bits a pixel, dithered, it takes half the
// memory, and its soft colours lose nothing visible.
std::shared_future<QImage> decodeBackground()
{
    return std::async(std::launch::async,
                      [] {
                          return QImage(QStringLiteral(":/background.jpg"))
                              .convertToFormat(QImage::Format_RGB16, Qt::DiffuseDither);
                      })
        .share();
}

QIcon applicationIcon()
{
    QIcon icon;
    for (int size : {MULO_ICON_SIZES})
        icon.addFile(QStringLiteral(":/icons/mulo-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace

Form1::Form1(Form1Services services, QWidget* parent)
    : QMainWindow(parent), m_services(std::move(services)), m_messageBox(m_services.messageBox),
      m_web(m_services.createBrowser
                ? m_services.createBrowser
                : web::desktopBrowserFactory(
                      [window = QPointer<Form1>(this)](const QString& address) {
                          if (window)
                              window->m_messageBox->show(web::noBrowserMessage(address),
                                                         MessageBoxOps::Exclamation);
                      }))
{
    if (!m_messageBox) {
        m_ownMessageBox = std::make_unique<WidgetMessageBox>(this, m_services.app.Title());
        m_messageBox = m_ownMessageBox.get();
    }
    setObjectName(QStringLiteral("Form1"));
    applyWindowLook(this);
    setWindowTitle(m_services.app.Title());
    setWindowIcon(applicationIcon());
    createMenus();
    createControls();
    wireEvents();
}

Form1::~Form1()
{
    // The controls show the lesson list and speak through the voice, which are members:
    // they go first, before the members they refer to.
    delete takeCentralWidget();
}

void Form1::createControls()
{
    auto* client = new ClientArea(decodeBackground(), this);
    setCentralWidget(client);
    createQuestionFrame(client);
    createRangeFrame(client);
    createQuestionCommandsFrame(client);
    orderTabStops();

    // The client area below the menu bar is 5910 × 5685 twips.
    const QSize clientSize = twips(0, 0, 5910, 5685).size();
    resize(clientSize.width(), clientSize.height() + menuBar()->sizeHint().height());
    m_txtTi->setFocus();
}

QGroupBox* Form1::createFrame(QWidget* client, const char* name, const QString& caption,
                              QRect geometry)
{
    auto* box = new QGroupBox(caption, client);
    box->setObjectName(QLatin1String(name));
    box->setGeometry(geometry);
    box->setAutoFillBackground(true); // the frames lie over the picture
    return box;
}

// "题目": the question box.
void Form1::createQuestionFrame(QWidget* client)
{
    m_frame1 = createFrame(client, "Frame1", QStringLiteral("题目"), twips(360, 360, 5175, 1455));
    m_txtTi = new QLineEdit(m_frame1);
    m_txtTi->setObjectName(QStringLiteral("txtTi"));
    m_txtTi->setGeometry(twips(480, 360, 4215, 855));
    m_txtTi->setMaxLength(4);
    m_txtTi->setValidator(new OneLineOfWholeCharacters(m_txtTi));
    QFont questionFont;
    questionFont.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"),
                              QStringLiteral("Noto Serif CJK SC"),
                              QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("serif")});
    questionFont.setPointSize(42);
    m_txtTi->setFont(questionFont);
    const auto placeText = [this] {
        m_txtTi->setTextMargins(
            0,
            questionTopMargin(m_txtTi->font(), m_txtTi->text(), m_txtTi->contentsRect().height()),
            0, 0);
    };
    placeText();
    connect(m_txtTi, &QLineEdit::textChanged, m_txtTi, placeText);
    QPalette questionPalette = m_txtTi->palette();
    questionPalette.setColor(QPalette::Text, Qt::red);
    questionPalette.setColor(QPalette::Base, inactiveCaptionColour);
    m_txtTi->setPalette(questionPalette);
    m_txtTi->setToolTip(
        QStringLiteral("点击出题按钮，软件生成汉字题目；也可以手工输入题目；不能超过4个字符"));
    m_txtTi->setAccessibleName(QStringLiteral("题目"));
    m_txtTi->installEventFilter(this); // see eventFilter: its tip
    m_txtTiOps = std::make_unique<LineEditText>(m_txtTi);
}

// "范围": the lesson list and the three selection commands.
void Form1::createRangeFrame(QWidget* client)
{
    m_frame2 = createFrame(client, "Frame2", QStringLiteral("范围"), twips(360, 2040, 3255, 3375));
    m_lstAllWords = new LessonListView(m_lessons, m_frame2);
    m_lstAllWords->setObjectName(QStringLiteral("lstAllWords"));
    m_lstAllWords->setGeometry(twips(480, 360, 2415, 2160));
    QPalette listPalette = m_lstAllWords->palette();
    listPalette.setColor(QPalette::Base, inactiveCaptionColour);
    m_lstAllWords->setPalette(listPalette);
    m_lstAllWords->setAccessibleName(QStringLiteral("课文列表"));

    m_option1 = new QButtonGroup(this);
    const struct {
        const char* caption;
        int left;
    } options[] = {{"全选", 480}, {"不选", 1320}, {"反选", 2160}};
    for (int i = 0; i < 3; ++i) {
        auto* button = new QRadioButton(QString::fromUtf8(options[i].caption), m_frame2);
        button->setObjectName(QStringLiteral("Option1_%1").arg(i));
        button->setGeometry(twips(options[i].left, 2880, 975, 375));
        button->setAccessibleName(button->text());
        button->installEventFilter(this); // see eventFilter: tabbing lands on the chosen one
        m_option1->addButton(button, i);
    }
    m_option1->button(SelectNone)->setChecked(true);
}

// "出题": how questions are asked, and the two commands.
void Form1::createQuestionCommandsFrame(QWidget* client)
{
    m_frame3 = createFrame(client, "Frame3", QStringLiteral("出题"), twips(3840, 2040, 1695, 3375));
    m_chkRnd = new QCheckBox(QStringLiteral("随机出题"), m_frame3);
    m_chkRnd->setObjectName(QStringLiteral("chkRnd"));
    m_chkRnd->setGeometry(twips(240, 600, 1215, 255));
    m_chkRnd->setChecked(true);
    m_chkSingle = new QCheckBox(QStringLiteral("单字显示"), m_frame3);
    m_chkSingle->setObjectName(QStringLiteral("chkSingle"));
    m_chkSingle->setGeometry(twips(240, 1080, 1095, 375));
    m_chkSingle->setChecked(true);
    m_chkRndOps = std::make_unique<CheckBoxValue>(m_chkRnd);
    m_chkSingleOps = std::make_unique<CheckBoxValue>(m_chkSingle);

    m_cmdTest = new QPushButton(QStringLiteral("出题(&Q)"), m_frame3);
    m_cmdTest->setObjectName(QStringLiteral("cmdTest"));
    m_cmdTest->setGeometry(twips(360, 1920, 975, 375));
    m_cmdRead = new QPushButton(QStringLiteral("答案(&A)"), m_frame3);
    m_cmdRead->setObjectName(QStringLiteral("cmdRead"));
    m_cmdRead->setGeometry(twips(360, 2640, 975, 375));
    m_cmdRead->setToolTip(QStringLiteral("软件读出题目，存在读音不标准的情况，请家长及时纠正"));
    m_cmdRead->installEventFilter(this); // see eventFilter: its tip
    for (QPushButton* button : {m_cmdTest, m_cmdRead}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
}

// Tab goes through the controls in the order they are laid out; the option group counts as
// one stop.
void Form1::orderTabStops()
{
    QWidget* order[] = {m_txtTi,
                        m_lstAllWords,
                        m_option1->button(0),
                        m_option1->button(1),
                        m_option1->button(2),
                        m_chkRnd,
                        m_chkSingle,
                        m_cmdTest,
                        m_cmdRead};
    for (size_t i = 1; i < std::size(order); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void Form1::createMenus()
{
    QMenu* test = createMenu("test_meau", QStringLiteral("识字题目(&T)"));
    QAction* testTest = test->addAction(QStringLiteral("出题"));
    testTest->setObjectName(QStringLiteral("test_test"));
    connect(testTest, &QAction::triggered, this, &Form1::test_test_Click);
    QAction* testAnswer = test->addAction(QStringLiteral("答案"));
    testAnswer->setObjectName(QStringLiteral("test_Answer"));
    connect(testAnswer, &QAction::triggered, this, &Form1::test_Answer_Click);

    // The web shortcuts, as their table lays them out: some on the menu bar, the rest with
    // their function keys in "作者网站".
    for (const web::WebShortcut& shortcut : web::webShortcuts) {
        if (shortcut.menu == web::WebMenu::MenuBar)
            addWebShortcut(menuBar(), shortcut);
    }
    QMenu* site = createMenu("site", QStringLiteral("作者网站(&S)"));
    for (const web::WebShortcut& shortcut : web::webShortcuts) {
        if (shortcut.menu == web::WebMenu::Site)
            addWebShortcut(site, shortcut);
    }
}

QMenu* Form1::createMenu(const char* item, const QString& caption)
{
    QMenu* menu = menuBar()->addMenu(caption);
    menu->setObjectName(QLatin1String(item));
    menu->menuAction()->setObjectName(QLatin1String(item));
    menu->setAttribute(Qt::WA_WindowPropagation); // the window's font and colours
    return menu;
}

void Form1::addWebShortcut(QWidget* menu, const web::WebShortcut& shortcut)
{
    auto* action = new QAction(shortcut.caption.toString(), menu);
    const QString item = shortcut.item.toString();
    action->setObjectName(item);
    if (shortcut.key)
        action->setShortcut(shortcut.key);
    connect(action, &QAction::triggered, this, [this, item] { webShortcut_Click(item); });
    menu->addAction(action);
}

void Form1::wireEvents()
{
    connect(m_cmdTest, &QPushButton::clicked, this, &Form1::cmdTest_Click);
    connect(m_cmdRead, &QPushButton::clicked, this, &Form1::cmdRead_Click);
    connect(m_option1, &QButtonGroup::idClicked, this,
            [this](int id) { Option1_Click(qint16(id)); });
    // A question written otherwise than by a pick is no longer the pick's, even where it
    // reads the same (typed, pasted, or cleared and written again). The pick's own writing
    // of the box comes before it records its place.
    connect(m_txtTi, &QLineEdit::textChanged, this, [this] { m_picked = {}; });
}

bool Form1::eventFilter(QObject* watched, QEvent* event)
{
    // A desktop theme sets the application's tip font and colours once the program runs
    // and whenever the parent changes them: a tip about to show takes the window's look.
    if (event->type() == QEvent::ToolTip)
        applyTipLook();
    // Tabbing into the option group lands on the button that shows as chosen, not on the
    // group's first button.
    if (event->type() == QEvent::FocusIn &&
        m_option1->buttons().contains(qobject_cast<QAbstractButton*>(watched))) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        QAbstractButton* chosen = m_option1->checkedButton();
        if ((reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason) && chosen &&
            watched != chosen) {
            chosen->setFocus(reason);
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void Form1::setVisible(bool visible)
{
    if (visible && !m_loaded) {
        m_loaded = true;
        Form_Load();
    }
    QMainWindow::setVisible(visible);
}

void Form1::guarded(const char* handler, const std::function<void()>& body)
{
    try {
        body();
    } catch (const UserError& error) {
        m_messageBox->show(QString::fromUtf8(error.what()), MessageBoxOps::Exclamation);
    } catch (const std::exception& error) {
        m_messageBox->show(QStringLiteral("运行时错误（%1）：%2")
                               .arg(QLatin1String(handler), QString::fromUtf8(error.what())),
                           MessageBoxOps::Critical);
    } catch (...) {
        m_messageBox->show(QStringLiteral("运行时错误（%1）").arg(QLatin1String(handler)),
                           MessageBoxOps::Critical);
    }
}

void Form1::Form_Load()
{
    StartupContext context{
        m_lessons, *this, *m_messageBox, m_services.app, m_services.readFile, [this] {
            if (!m_services.createVoice)
                throw RuntimeError(QStringLiteral("没有语音服务"));
            speech::setUpVoice(m_voice, m_services.createVoice);
        }};
    mulo::Form_Load(context);
}

QuizControls Form1::quizControls()
{
    return {m_lessons, *m_chkRndOps, *m_chkSingleOps, *m_txtTiOps, m_services.random};
}

void Form1::pickQuestion(QuizControls& quiz)
{
    m_picked = mulo::cmdTest_Click(quiz);
}

void Form1::cmdTest_Click()
{
    guarded("cmdTest_Click", [this] {
        QuizControls quiz = quizControls();
        pickQuestion(quiz);
    });
}

void Form1::cmdRead_Click()
{
    // Answer speaking handles its own failures: it ends silently.
    QuizControls quiz = quizControls();
    speech::AnswerControls answer{quiz.txtTi, [this, &quiz] { pickQuestion(quiz); }, m_voice.get(),
                                  [this] { return m_picked; }};
    speech::cmdRead_Click(answer);
}

void Form1::test_test_Click()
{
    cmdTest_Click();
}

void Form1::test_Answer_Click()
{
    cmdRead_Click();
}

void Form1::webShortcut_Click(const QString& item)
{
    const QByteArray handler = item.toLatin1() + "_Click";
    guarded(handler.constData(), [this, &item] { m_web.choose(item); });
}

void Form1::Option1_Click(qint16 Index)
{
    guarded("Option1_Click", [this, Index] {
        m_lessons.beginChanges();
        struct Announce {
            LessonListModel& lessons;
            ~Announce() { lessons.endChanges(); }
        } announce{m_lessons};
        mulo::Option1_Click(m_lessons, Index);
    });
}

} // namespace mulo
