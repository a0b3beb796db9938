// What the main window does: the printer choice, adding and clearing documents, the up-down, help,
// About, dropped files, and print runs against the trace server with their lines in the log.
#include "DialogAnswerer.h"
#include "UiTestSupport.h"
#include "printing/RunTexts.h"
#include "support/TraceFixture.h"
#include "ui/Mainform1.h"
#include "ui/SystemShell.h"
#include "ui/UpDown.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTest>
#include <QUrl>

#include <gmock/gmock.h>

using namespace Qt::StringLiterals;
using testing::ElementsAre;
using testing::ElementsAreArray;
using testing::HasSubstr;
using testing::IsEmpty;
using testing::SizeIs;

namespace {

QStringList entriesOf(const QListWidget& list) {
    QStringList entries;
    for (int i = 0; i < list.count(); ++i) entries.append(list.item(i)->text());
    return entries;
}

QStringList entriesOf(const QComboBox& combo) {
    QStringList entries;
    for (int i = 0; i < combo.count(); ++i) entries.append(combo.itemText(i));
    return entries;
}

QStringList linesOf(const QPlainTextEdit& memo) {
    return memo.toPlainText().isEmpty() ? QStringList() : memo.toPlainText().split(u'\n');
}

QString q(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

void click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton); }

// ---- Printer choice ---------------------------------------------------------------------------------

struct PrinterCase {
    const char* name;
    std::vector<std::string> printers;
    QStringList entries;
    QString text;
};
void PrintTo(const PrinterCase& row, std::ostream* out) { *out << row.name; }

const PrinterCase kPrinters[] = {
    {"TwoPrinters", {"Office Jet", "Quirella-PDF"}, {u"Office Jet"_s, u"Quirella-PDF"_s, u"系统缺省打印机"_s},
     u"系统缺省打印机"_s},
    {"OnePrinter", {"激光打印机"}, {u"激光打印机"_s, u"系统缺省打印机"_s}, u"系统缺省打印机"_s},
    {"NoPrinter", {}, {}, QString()},
};

class PrinterChoice : public testing::TestWithParam<PrinterCase> {};

TEST_P(PrinterChoice, IsFilledOnceFromThePrinterList) {
    int listings = 0;
    MainFormServices services = standIns();
    services.printerNames = [&] {
        ++listings;
        return GetParam().printers;
    };
    TMainForm form(nullptr, services);
    auto* combo = control<QComboBox>(form, "ComboBox1");
    ASSERT_TRUE(combo);
    EXPECT_EQ(entriesOf(*combo), GetParam().entries);
    EXPECT_EQ(combo->currentText(), GetParam().text);
    EXPECT_EQ(listings, 1);
}

INSTANTIATE_TEST_SUITE_P(All, PrinterChoice, testing::ValuesIn(kPrinters),
                         [](const auto& row) { return std::string(row.param.name); });

// ---- Adding and clearing documents ------------------------------------------------------------------

TEST(Documents, AreAddedInTheDialogsOrderAfterTheEarlierOnes) {
    std::vector<OpenDialogRequest> requests;
    std::vector<std::optional<std::vector<std::string>>> answers{
        std::vector<std::string>{"/d/b.doc", "/d/a.rtf"},
        std::nullopt,  // cancelled
        std::vector<std::string>{"/e/c.txt", "/d/b.doc"},
    };
    MainFormServices services = standIns();
    services.chooseFiles = [&](const OpenDialogRequest& request) {
        requests.push_back(request);
        return answers.at(requests.size() - 1);
    };
    TMainForm form(nullptr, services);
    auto* list = control<QListWidget>(form, "ListBox1");
    auto* add = control<QPushButton>(form, "Button1");

    click(add);
    EXPECT_EQ(entriesOf(*list), (QStringList{u"/d/b.doc"_s, u"/d/a.rtf"_s}));
    click(add);
    EXPECT_EQ(entriesOf(*list), (QStringList{u"/d/b.doc"_s, u"/d/a.rtf"_s}));
    click(add);
    EXPECT_EQ(entriesOf(*list), (QStringList{u"/d/b.doc"_s, u"/d/a.rtf"_s, u"/e/c.txt"_s, u"/d/b.doc"_s}));

    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].title, "  选择要打印的文档（支持多选）");
    EXPECT_EQ(requests[0].filterIndex, 0u);
    EXPECT_EQ(requests[0].fileName, "");
    EXPECT_THAT(requests[0].filters,
                ElementsAre(FileFilter{"txt,rtf, doc,html, htm,dot等文挡 ", {"*.txt", "*.rtf", "*.doc", "*.html", "*.htm", "*.dot"}},
                            FileFilter{"文本文件(txt)", {"*.txt"}}, FileFilter{"rtf文挡", {"*.rtf"}},
                            FileFilter{"网页文档", {"*.htm", "*.html"}}, FileFilter{"Word文挡(doc)", {"*.doc"}}));
    // The next opening starts at the last confirmed selection's first file; a cancel changes nothing.
    EXPECT_EQ(requests[1].fileName, "/d/b.doc");
    EXPECT_EQ(requests[2].fileName, "/d/b.doc");
    EXPECT_EQ(requests[2].filterIndex, 0u);
}

TEST(Documents, ClearEmptiesTheListWithoutAsking) {
    DialogAnswerer answerer;
    MainFormServices services = standIns();
    services.chooseFiles = [](const OpenDialogRequest&) {
        return std::optional<std::vector<std::string>>({"/a.doc", "/b.doc"});
    };
    TMainForm form(nullptr, services);
    auto* list = control<QListWidget>(form, "ListBox1");
    click(control<QPushButton>(form, "Button2"));  // on an empty list
    EXPECT_EQ(list->count(), 0);
    click(control<QPushButton>(form, "Button1"));
    ASSERT_EQ(list->count(), 2);
    click(control<QPushButton>(form, "Button2"));
    EXPECT_EQ(list->count(), 0);
    EXPECT_THAT(answerer.seen(), IsEmpty());
}

TEST(Documents, DroppedFilesAreAppendedAndOtherDropsRefused) {
    TMainForm form(nullptr, standIns());
    form.show();
    auto* list = control<QListWidget>(form, "ListBox1");
    list->addItem(u"/first.doc"_s);
    QWidget* target = list->viewport();

    const auto drop = [&](const QList<QUrl>& urls) {
        QMimeData data;
        data.setUrls(urls);
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &enter);
        QDropEvent dropped(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &dropped);
        return enter.isAccepted();
    };

    EXPECT_TRUE(drop({QUrl::fromLocalFile(u"/docs/甲.doc"_s), QUrl::fromLocalFile(u"/docs/b c.rtf"_s)}));
    EXPECT_EQ(entriesOf(*list), (QStringList{u"/first.doc"_s, u"/docs/甲.doc"_s, u"/docs/b c.rtf"_s}));
    EXPECT_FALSE(drop({QUrl(u"https://example.org/a.doc"_s)}));
    EXPECT_FALSE(drop({}));
    EXPECT_EQ(list->count(), 3);
}

// Qt's own dialog, as the add button opens it: title, filters, several files, the last place.
TEST(Documents, TheFileDialogIsSetUpFromTheRequest) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    for (const QString& name : {u"一.doc"_s, u"b.txt"_s}) {
        QFile file(folder.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    OpenDialogRequest request{"  选择要打印的文档（支持多选）",
                              parseFileFilters("甲 |*.txt;*.doc|文本文件(txt)|*.txt"), 0,
                              folder.filePath(u"一.doc"_s).toStdString()};
    const std::unique_ptr<QFileDialog> dialog = newOpenFileDialog(nullptr, request);
    EXPECT_EQ(dialog->windowTitle(), u"  选择要打印的文档（支持多选）"_s);
    // Any name may be typed; several files may be chosen in either view.
    EXPECT_EQ(dialog->fileMode(), QFileDialog::AnyFile);
    for (const char* view : {"listView", "treeView"})
        EXPECT_EQ(control<QAbstractItemView>(*dialog, view)->selectionMode(), QAbstractItemView::ExtendedSelection) << view;
    EXPECT_TRUE(dialog->testOption(QFileDialog::DontUseNativeDialog));
    const QStringList filters = dialog->nameFilters();
    ASSERT_EQ(filters.size(), 2);
    EXPECT_TRUE(filters[0].startsWith(u"甲"_s) && filters[0].endsWith(u"(*.txt *.doc)"_s)) << filters[0].toStdString();
    EXPECT_EQ(filters[1], u"文本文件(txt) (*.txt)"_s);
    EXPECT_TRUE(dialog->selectedNameFilter().startsWith(u"甲"_s));
    EXPECT_EQ(QDir(dialog->directory()).canonicalPath(), QDir(folder.path()).canonicalPath());

    // Confirming two files hands back both, as full paths.
    DialogAnswerer answerer([](QDialog& shown) {
        auto& fileDialog = static_cast<QFileDialog&>(shown);
        fileDialog.selectFile(u"\"一.doc\" \"b.txt\""_s);
        static_cast<QDialog&>(fileDialog).accept();  // QFileDialog's own override, behind QDialog's slot
    });
    const std::optional<std::vector<std::string>> chosen = qtFileChooser(nullptr)(request);
    ASSERT_TRUE(chosen);
    std::vector<std::string> canonical;
    for (const std::string& path : *chosen) canonical.push_back(QFileInfo(QString::fromStdString(path)).canonicalFilePath().toStdString());
    const QString dir = QDir(folder.path()).canonicalPath();
    EXPECT_THAT(canonical, testing::UnorderedElementsAre((dir + u"/一.doc"_s).toStdString(), (dir + u"/b.txt"_s).toStdString()));
}

// A typed name is taken as typed, whether or not the file is there: the list holds it, and the run
// hands it to the word processor, whose failure it is to report.
TEST(Documents, TypedNamesOfMissingFilesReachTheListAndTheRun) {
    RegisteredTrace trace;
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    {
        QFile file(folder.filePath(u"b.txt"_s));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    MainFormServices services = standIns({"Quirella-PDF"});
    services.chooseFiles = {};  // Qt's own dialog
    TMainForm form(nullptr, services);
    form.show();
    const QString dir = QDir(folder.path()).canonicalPath();
    DialogAnswerer answerer([&](QDialog& shown) {
        auto* fileDialog = qobject_cast<QFileDialog*>(&shown);
        if (!fileDialog) return DialogAnswerer::pressOkOrClose(shown);
        fileDialog->setDirectory(dir);
        fileDialog->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(fileDialog));
        auto* name = control<QLineEdit>(*fileDialog, "fileNameEdit");
        name->setFocus();
        name->setText(u"\"缺少的.doc\" \"b.txt\""_s);  // as typed: the field has the focus
        QTest::keyClick(name, Qt::Key_Return);
        if (fileDialog->isVisible()) fileDialog->reject();  // refused: the test fails below
    });

    click(control<QPushButton>(form, "Button1"));
    auto* list = control<QListWidget>(form, "ListBox1");
    EXPECT_EQ(entriesOf(*list), (QStringList{dir + u"/缺少的.doc"_s, dir + u"/b.txt"_s}));

    click(control<QPushButton>(form, "Button3"));
    EXPECT_THAT(trace.linesStarting("invoke Documents.Open"),
                ElementsAre(HasSubstr((dir + u"/缺少的.doc"_s).toStdString()), HasSubstr((dir + u"/b.txt"_s).toStdString())));
}

// What the dialog makes of a typed name: full paths in its folder, several names in double quotes.
TEST(Documents, TypedNamesBecomeFullPathsInTheDialogsFolder) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString dir = QDir(folder.path()).canonicalPath();
    const QString home = QDir::homePath();
    const std::pair<QString, QStringList> cases[] = {
        {u"a.doc"_s, {dir + u"/a.doc"_s}},
        {u"报告 1.doc"_s, {dir + u"/报告 1.doc"_s}},
        {u"\"a.doc\" \"子/b.rtf\""_s, {dir + u"/a.doc"_s, dir + u"/子/b.rtf"_s}},
        {u"/srv/文档/c.txt"_s, {u"/srv/文档/c.txt"_s}},
        {u"../d.doc"_s, {QFileInfo(dir).path() + u"/d.doc"_s}},
        {u"~/e.doc"_s, {home + u"/e.doc"_s}},
    };
    const std::unique_ptr<DocumentFileDialog> dialog = newOpenFileDialog(nullptr, OpenDialogRequest{});
    dialog->setDirectory(dir);
    auto* name = control<QLineEdit>(*dialog, "fileNameEdit");
    for (const auto& [typed, files] : cases) {
        name->setText(typed);
        EXPECT_EQ(dialog->chosenFiles(), files) << typed.toStdString();
    }
}

// A long path is cut in its middle, keeping its file name in view, and shows whole as the tooltip.
TEST(Documents, LongPathsKeepTheirFileNameInViewAndShowWholeAsTooltip) {
    const QString longPath = u"/home/用户/文档/"_s + QString(u"很长的文件夹名称/"_s).repeated(8) + u"年度报告.doc"_s;
    MainFormServices services = standIns();
    services.chooseFiles = [&](const OpenDialogRequest&) {
        return std::optional<std::vector<std::string>>({longPath.toStdString()});
    };
    TMainForm form(nullptr, services);
    form.show();
    click(control<QPushButton>(form, "Button1"));
    auto* list = control<QListWidget>(form, "ListBox1");
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text(), longPath);
    EXPECT_EQ(list->item(0)->toolTip(), longPath);
    EXPECT_EQ(list->textElideMode(), Qt::ElideMiddle);

    const QString dropped = u"/tmp/甲.doc"_s;
    form.ListBox1DragDrop({dropped});
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(1)->toolTip(), dropped);
}

// The layout's item height: the document list's and the printer choice's entries are 13 pixels apart.
TEST(ItemHeight, IsThirteenPixelsInTheListAndTheDropDown) {
    TMainForm form(nullptr, standIns({"甲打印机", "Quirella-PDF", "乙"}));
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    auto* list = control<QListWidget>(form, "ListBox1");
    list->addItems({u"/a.doc"_s, u"/文档/b.rtf"_s, u"/c.txt"_s});
    EXPECT_EQ(list->visualItemRect(list->item(1)).top() - list->visualItemRect(list->item(0)).top(), 13);
    EXPECT_EQ(list->visualItemRect(list->item(2)).top() - list->visualItemRect(list->item(1)).top(), 13);

    auto* combo = control<QComboBox>(form, "ComboBox1");
    combo->showPopup();
    QAbstractItemView* popup = combo->view();
    const QModelIndex first = combo->model()->index(0, 0);
    const QModelIndex second = combo->model()->index(1, 0);
    EXPECT_EQ(popup->visualRect(second).top() - popup->visualRect(first).top(), 13);
    combo->hidePopup();
}

// Whatever is typed in the printer choice reaches the run as typed: nothing completes it to a listed
// name, not a case variant, not a prefix.
struct TypedPrinterCase {
    const char* name;
    QString typed;
};
void PrintTo(const TypedPrinterCase& row, std::ostream* out) { *out << row.name; }

const TypedPrinterCase kTypedPrinters[] = {
    {"CaseVariant", u"quirella-pdf"_s},
    {"Prefix", u"Quirella"_s},
    {"Listed", u"Quirella-PDF"_s},
    {"Unlisted", u"Office Jet 6000"_s},  // typed keys: QTest types ASCII only
};

class TypedPrinter : public testing::TestWithParam<TypedPrinterCase> {};

TEST_P(TypedPrinter, ReachesTheRunAsTypedWithEnter) {
    RegisteredTrace trace;
    TMainForm form(nullptr, standIns({"Quirella-PDF", "Office Jet"}));
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    control<QListWidget>(form, "ListBox1")->addItem(u"/a.doc"_s);
    auto* combo = control<QComboBox>(form, "ComboBox1");
    combo->setFocus();
    combo->lineEdit()->selectAll();
    QTest::keyClicks(combo->lineEdit(), GetParam().typed);
    QTest::keyClick(combo->lineEdit(), Qt::Key_Return);

    EXPECT_THAT(trace.linesStarting("invoke Application.ActivePrinter"),
                ElementsAre(HasSubstr("[VT_BSTR \"" + GetParam().typed.toStdString() + "\"]")));
    EXPECT_EQ(combo->currentText(), GetParam().typed);
}

INSTANTIATE_TEST_SUITE_P(All, TypedPrinter, testing::ValuesIn(kTypedPrinters),
                         [](const auto& row) { return std::string(row.param.name); });

// ---- The log's scroll bar ---------------------------------------------------------------------------

// The colours down the middle of the scroll bar as drawn, end to end: the track's alone when no thumb
// is drawn, a full-length one included.
int coloursDownTheMiddle(QScrollBar& bar) {
    const QImage image = bar.grab().toImage();
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y) colours.insert(image.pixel(image.width() / 2, y));
    return static_cast<int>(colours.size());
}

TEST(LogScrollBar, IsDisabledWithoutAThumbUntilThereIsSomethingToScroll) {
    TMainForm form(nullptr, standIns());
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    auto* memo = control<QPlainTextEdit>(form, "Memo1");
    QScrollBar* bar = memo->verticalScrollBar();
    EXPECT_TRUE(bar->isVisible());
    EXPECT_FALSE(bar->isEnabled());
    EXPECT_EQ(coloursDownTheMiddle(*bar), 1);

    for (int i = 0; i < 20; ++i) memo->appendPlainText(u"第%1行"_s.arg(i));
    QCoreApplication::processEvents();
    EXPECT_TRUE(bar->isEnabled());
    EXPECT_GT(coloursDownTheMiddle(*bar), 1);

    memo->clear();
    QCoreApplication::processEvents();
    EXPECT_FALSE(bar->isEnabled());
}

// ---- The up-down ------------------------------------------------------------------------------------

enum class Arrow { Up, Down };

struct UpDownCase {
    const char* name;
    int start;                   // the position before the clicks
    std::vector<Arrow> clicks;
    QStringList fieldAfterEach;  // the copies field after each click
    std::vector<int> positions;  // the up-down's position after each click
};
void PrintTo(const UpDownCase& row, std::ostream* out) { *out << row.name; }

const UpDownCase kUpDown[] = {
    {"UpUpDownFromTheStart", 1, {Arrow::Up, Arrow::Up, Arrow::Down}, {u"1"_s, u"2"_s, u"3"_s}, {2, 3, 2}},
    {"DownAtOneStays", 1, {Arrow::Down, Arrow::Down}, {u"1"_s, u"1"_s}, {1, 1}},
    {"UpAtAThousandStays", 1000, {Arrow::Up, Arrow::Up}, {u"1000"_s, u"1000"_s}, {1000, 1000}},
    {"DownFromAThousand", 1000, {Arrow::Down, Arrow::Down}, {u"1000"_s, u"999"_s}, {999, 998}},
};

class UpDownSteps : public testing::TestWithParam<UpDownCase> {};

// Clicked where the arrows are drawn in the window: the upper and the lower half of its 16 by 25.
TEST_P(UpDownSteps, FieldShowsThePositionFromBeforeEachStep) {
    TMainForm form(nullptr, standIns());
    form.show();
    auto* upDown = control<UpDown>(form, "UpDown1");
    auto* field = control<QLineEdit>(form, "Edit1");
    upDown->setPosition(GetParam().start);
    QStringList fields;
    std::vector<int> positions;
    for (Arrow arrow : GetParam().clicks) {
        QTest::mouseClick(form.childAt(arrow == Arrow::Up ? QPoint(288, 124) : QPoint(288, 140)), Qt::LeftButton);
        fields.append(field->text());
        positions.push_back(upDown->position());
    }
    EXPECT_EQ(fields, GetParam().fieldAfterEach);
    EXPECT_EQ(positions, GetParam().positions);
}

INSTANTIATE_TEST_SUITE_P(All, UpDownSteps, testing::ValuesIn(kUpDown),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(UpDownSteps, ATypedNumberDoesNotMoveItAndIsOverwritten) {
    TMainForm form(nullptr, standIns());
    form.show();
    auto* field = control<QLineEdit>(form, "Edit1");
    auto* upDown = control<UpDown>(form, "UpDown1");
    QTest::mouseClick(upDown->upButton(), Qt::LeftButton);
    QTest::mouseClick(upDown->upButton(), Qt::LeftButton);
    field->setText(u"50"_s);
    EXPECT_EQ(upDown->position(), 3);
    QTest::mouseClick(upDown->downButton(), Qt::LeftButton);
    EXPECT_EQ(field->text(), u"3"_s);
    EXPECT_EQ(upDown->position(), 2);
}

// ---- Help and About ---------------------------------------------------------------------------------

TEST(Help, OpensHelpChmBesideTheExecutableAndIsSilentWithoutIt) {
    DialogAnswerer answerer;
    std::vector<std::string> opened;
    MainFormServices services = standIns();
    services.openInShell = [&](const std::string& target) { opened.push_back(target); };
    TMainForm form(nullptr, services);
    auto* help = control<QPushButton>(form, "Button4");
    const QString beside = QDir(QCoreApplication::applicationDirPath()).filePath(u"help.chm"_s);
    QFile::remove(beside);

    click(help);
    EXPECT_THAT(opened, IsEmpty());
    EXPECT_THAT(answerer.seen(), IsEmpty());

    QFile file(beside);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    click(help);
    QFile::remove(beside);
    EXPECT_THAT(opened, ElementsAre(beside.toStdString()));
    EXPECT_THAT(answerer.seen(), IsEmpty());
}

TEST(About, EveryPressShowsANewModalBoxOwnedByTheWindow) {
    TMainForm form(nullptr, standIns());
    form.show();
    std::vector<QDialog*> boxes;
    DialogAnswerer answerer([&](QDialog& box) {
        boxes.push_back(&box);
        EXPECT_TRUE(box.isModal());
        control<QPushButton>(box, "OKButton")->click();
    });
    click(control<QPushButton>(form, "Button6"));
    EXPECT_THAT(form.findChildren<QDialog*>(), IsEmpty()) << "the closed box is let go";
    click(control<QPushButton>(form, "Button6"));
    ASSERT_EQ(answerer.seen().size(), 2u);
    for (const SeenDialog& seen : answerer.seen()) {
        EXPECT_EQ(seen.className, u"TAboutBox"_s);
        EXPECT_EQ(seen.title, u"      关于本软件"_s);
        EXPECT_EQ(seen.owner, &form);
    }
    EXPECT_EQ(boxes.size(), 2u);
}

// ---- Print runs from the window ---------------------------------------------------------------------

// Fills the window's controls as a user would, and watches the log while the run holds the thread.
class WindowRun : public testing::Test {
protected:
    void SetUp() override {
        MainFormServices services = standIns({"Quirella-PDF"});
        services.pause = [this](std::chrono::milliseconds length) {
            if (pauses.empty() && duringFirstPause) duringFirstPause();
            pauses.push_back(length);
            logAtPause.push_back(linesOf(*memo));
            paintsAtPause.push_back(paints);
        };
        form = std::make_unique<TMainForm>(nullptr, services);
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));  // painting needs a window on screen
        memo = control<QPlainTextEdit>(*form, "Memo1");
        memo->viewport()->installEventFilter(&paintCounter);
        paintCounter.count = &paints;
    }
    void TearDown() override { memo->viewport()->removeEventFilter(&paintCounter); }

    void addDocuments(const QStringList& paths) { control<QListWidget>(*form, "ListBox1")->addItems(paths); }
    void press() { click(control<QPushButton>(*form, "Button3")); }

    struct PaintCounter : QObject {
        int* count = nullptr;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint) ++*count;
            return false;
        }
    } paintCounter;

    RegisteredTrace trace;
    std::unique_ptr<TMainForm> form;
    QPlainTextEdit* memo = nullptr;
    std::function<void()> duringFirstPause;
    int paints = 0;
    std::vector<std::chrono::milliseconds> pauses;
    std::vector<QStringList> logAtPause;
    std::vector<int> paintsAtPause;
};

TEST_F(WindowRun, ShowsEachLineInTheLogAsItIsWritten) {
    DialogAnswerer answerer;
    addDocuments({u"/docs/报告.doc"_s, u"/docs/b.rtf"_s});
    control<QLineEdit>(*form, "Edit1")->setText(u"2"_s);
    control<QCheckBox>(*form, "CheckBox1")->setChecked(true);
    control<QComboBox>(*form, "ComboBox1")->setEditText(u"Office Jet 6000"_s);  // typed, not in the list
    const int paintsBefore = paints;

    press();

    const QString a = q(texts::documentLine("/docs/报告.doc"));
    const QString b = q(texts::documentLine("/docs/b.rtf"));
    EXPECT_EQ(linesOf(*memo), (QStringList{q(texts::kStarted), q(texts::passLine(1)), a, b, q(texts::passLine(2)), a, b,
                                           q(texts::kFinished)}));
    EXPECT_THAT(answerer.seen(), IsEmpty());
    EXPECT_EQ(pauses, std::vector<std::chrono::milliseconds>(4, std::chrono::milliseconds(1000)));

    // While the run held the thread, each document's line was already in the log and painted.
    ASSERT_EQ(logAtPause.size(), 4u);
    EXPECT_EQ(logAtPause[0].size(), 3);
    EXPECT_EQ(logAtPause[0].last(), a);
    EXPECT_EQ(logAtPause[1].last(), b);
    EXPECT_EQ(logAtPause[3].size(), 7);
    EXPECT_GT(paintsAtPause[0], paintsBefore);
    for (std::size_t i = 1; i < paintsAtPause.size(); ++i) EXPECT_GT(paintsAtPause[i], paintsAtPause[i - 1]) << i;

    // What the word processor was told, from the controls.
    EXPECT_THAT(trace.linesStarting("invoke Application.Visible"), ElementsAre(testing::HasSubstr("VT_BOOL -1")));
    EXPECT_THAT(trace.linesStarting("invoke Application.ActivePrinter"),
                ElementsAre(testing::HasSubstr("\"Office Jet 6000\"")));
    EXPECT_THAT(trace.linesStarting("invoke Documents.Open"),
                ElementsAre(testing::HasSubstr("/docs/报告.doc"), testing::HasSubstr("/docs/b.rtf"),
                            testing::HasSubstr("/docs/报告.doc"), testing::HasSubstr("/docs/b.rtf")));
}

// What the user does while the run holds the thread arrives queued, as a window system queues it. The
// clicks and keys are dropped, not replayed after the run; the close waits for the run's last line.
TEST_F(WindowRun, InputDuringARunIsDroppedAndACloseWaitsForItsEnd) {
    addDocuments({u"/a.doc"_s, u"/b.doc"_s});
    QStringList logAtClose;
    QObject::connect(form.get(), &QDialog::finished, form.get(), [&] { logAtClose = linesOf(*memo); });
    duringFirstPause = [&] {
        auto* start = control<QPushButton>(*form, "Button3");
        const QPointF centre = QRectF(start->rect()).center();
        const QPointF global = start->mapToGlobal(centre);
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
            QCoreApplication::postEvent(start, new QMouseEvent(type, centre, global, Qt::LeftButton,
                                                               type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                                                               Qt::NoModifier));
        QCoreApplication::postEvent(start, new QKeyEvent(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, u" "_s));
        QCoreApplication::postEvent(start, new QKeyEvent(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, u" "_s));
        QCoreApplication::postEvent(form.get(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier));
        QCoreApplication::postEvent(form.get(), new QCloseEvent);
    };

    press();
    QCoreApplication::processEvents();  // anything left over would be handled now

    EXPECT_THAT(trace.linesStarting("invoke Documents.Open"), SizeIs(2));
    EXPECT_THAT(trace.linesStarting("invoke Application.Quit"), SizeIs(1));
    EXPECT_FALSE(form->isVisible());
    ASSERT_FALSE(logAtClose.isEmpty()) << "the window did not close";
    EXPECT_EQ(logAtClose.last(), q(texts::kFinished));
}

TEST_F(WindowRun, AfterARunTheWindowTakesInputAgain) {
    addDocuments({u"/a.doc"_s});
    press();
    press();
    EXPECT_THAT(trace.linesStarting("invoke Documents.Open"), SizeIs(2));
    EXPECT_TRUE(form->isVisible());
}

// A file name made to forge a line of the log stays inside its own line in the window, its line
// breaks shown; the word processor gets the name as it is.
TEST_F(WindowRun, AFileNameCannotForgeALogLine) {
    const QString crafted = u"/tmp/x\n"_s + q(texts::kFinished) + u"\n.doc"_s;
    addDocuments({crafted});
    press();
    const QString shown = u"/tmp/x\u240A"_s + q(texts::kFinished) + u"\u240A.doc"_s;
    EXPECT_EQ(linesOf(*memo), (QStringList{q(texts::kStarted), u"正在提交文档\""_s + shown + u"\"给打印机"_s,
                                           q(texts::kFinished)}));
    EXPECT_EQ(memo->document()->blockCount(), 3);
    EXPECT_THAT(trace.linesStarting("invoke Documents.Open"),
                ElementsAre(HasSubstr("\"/tmp/x\\n" + std::string(texts::kFinished) + "\\n.doc\"")));
}

TEST_F(WindowRun, TheDefaultPrinterEntryLeavesThePrinterAlone) {
    addDocuments({u"/a.doc"_s});
    press();
    EXPECT_THAT(trace.linesStarting("invoke Application.ActivePrinter"), IsEmpty());
    EXPECT_THAT(trace.linesStarting("invoke Application.Visible"), ElementsAre(testing::HasSubstr("VT_BOOL 0")));
    EXPECT_EQ(linesOf(*memo), (QStringList{q(texts::kStarted), q(texts::documentLine("/a.doc")), q(texts::kFinished)}));
}

TEST_F(WindowRun, BadCopiesShowTheErrorBoxAndResetTheFieldButNotTheUpDown) {
    DialogAnswerer answerer;
    addDocuments({u"/a.doc"_s});
    auto* upDown = control<UpDown>(*form, "UpDown1");
    auto* field = control<QLineEdit>(*form, "Edit1");
    QTest::mouseClick(upDown->upButton(), Qt::LeftButton);
    QTest::mouseClick(upDown->upButton(), Qt::LeftButton);  // position 3, field "2"
    field->setText(u"abc"_s);

    press();

    ASSERT_EQ(answerer.seen().size(), 1u);
    const SeenDialog& box = answerer.seen()[0];
    EXPECT_EQ(box.text, u"数字格式错误!"_s);
    EXPECT_EQ(box.title, u"    出错了!"_s);
    EXPECT_EQ(box.icon, QMessageBox::Critical);
    EXPECT_THAT(box.buttons, ElementsAre(QMessageBox::Ok));
    EXPECT_EQ(box.owner, form.get());
    EXPECT_TRUE(box.modal);
    EXPECT_EQ(field->text(), u"1"_s);
    EXPECT_EQ(upDown->position(), 3);
    EXPECT_THAT(trace.lines(), IsEmpty()) << "the word processor is not started";

    QTest::mouseClick(upDown->upButton(), Qt::LeftButton);
    EXPECT_EQ(field->text(), u"3"_s);
}

TEST(WindowRunChecks, WithoutPrintersTheBoxComesAndTheLogStays) {
    RegisteredTrace trace;
    DialogAnswerer answerer;
    TMainForm form(nullptr, standIns());
    auto* memo = control<QPlainTextEdit>(form, "Memo1");
    memo->setPlainText(u"上一次的记录"_s);
    control<QListWidget>(form, "ListBox1")->addItem(u"/a.doc"_s);

    click(control<QPushButton>(form, "Button3"));

    ASSERT_EQ(answerer.seen().size(), 1u);
    EXPECT_EQ(answerer.seen()[0].text, u"系统没有安装任何打印机，无法打印！"_s);
    EXPECT_EQ(answerer.seen()[0].title, u"    消息框!"_s);
    EXPECT_EQ(answerer.seen()[0].icon, QMessageBox::Critical);
    EXPECT_EQ(memo->toPlainText(), u"上一次的记录"_s);
    EXPECT_THAT(trace.lines(), IsEmpty());
}

TEST(WindowRunChecks, WithoutDocumentsTheLogIsClearedFirst) {
    RegisteredTrace trace;
    QStringList logAtBox{u"not seen"_s};
    QPlainTextEdit* memo = nullptr;
    DialogAnswerer answerer([&](QDialog& box) {
        logAtBox = linesOf(*memo);
        DialogAnswerer::pressOkOrClose(box);
    });
    TMainForm form(nullptr, standIns({"Quirella-PDF"}));
    memo = control<QPlainTextEdit>(form, "Memo1");
    memo->setPlainText(u"上一次的记录"_s);

    click(control<QPushButton>(form, "Button3"));

    ASSERT_EQ(answerer.seen().size(), 1u);
    EXPECT_EQ(answerer.seen()[0].text, u"没有添加任何待打印的文档!"_s);
    EXPECT_EQ(answerer.seen()[0].title, u"    消息框!"_s);
    EXPECT_THAT(logAtBox, IsEmpty());
}

}  // namespace
