// View > Language and the user guide. Every message the runtime can build
// has its English in the translation file, the English error box shows that
// text under the full-stop rule, and switching back gives the Japanese
// bytes again; the guide's pages in both languages, their links and
// pictures.

#include <QActionGroup>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTextFragment>
#include <QXmlStreamReader>
#include <cerrno>
#include <map>
#include <new>
#include <set>

#include "UiTest.h"
#include "support/AllocationLimit.h"
#include "ui/Language.h"
#include "ui/Startup.h"
#include "ui/UserGuide.h"

namespace pivora::test {
namespace {

// One message of the translation file: source and translation, UTF-8.
struct Translated {
    std::string source;
    std::string translation;
};

// The messages of the error box's context in the English translation file.
std::vector<Translated> EnglishFile() {
    QFile file(QStringLiteral(PIVORA_ENGLISH_TS));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << PIVORA_ENGLISH_TS;
    QXmlStreamReader xml(&file);
    std::vector<Translated> messages;
    QString context;
    Translated message;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) continue;
        if (xml.name() == QLatin1String("name")) context = xml.readElementText();
        if (context != QLatin1String(kErrorBoxContext)) continue;
        if (xml.name() == QLatin1String("source")) {
            message.source = xml.readElementText().toStdString();
        } else if (xml.name() == QLatin1String("translation")) {
            message.translation = xml.readElementText().toStdString();
            messages.push_back(message);
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return messages;
}

// Where the source of an entry, "%1" standing for any bytes, gives message:
// those bytes; nothing when it does not.
std::optional<std::string> Argument(const std::string& source, const std::string& message) {
    const std::size_t at = source.find("%1");
    if (at == std::string::npos) {
        return source == message ? std::optional<std::string>("") : std::nullopt;
    }
    const std::string prefix = source.substr(0, at);
    const std::string suffix = source.substr(at + 2);
    if (message.size() < prefix.size() + suffix.size() || message.rfind(prefix, 0) != 0 ||
        message.compare(message.size() - suffix.size(), suffix.size(), suffix) != 0) {
        return std::nullopt;
    }
    return message.substr(prefix.size(), message.size() - prefix.size() - suffix.size());
}

// Switches the program to English for one test and back to Japanese after.
class English {
  public:
    English() { EXPECT_TRUE(SetLanguage(Language::English)); }
    ~English() { SetLanguage(Language::Japanese); }
};

// What the error box shows for error; a recorder of its own, so never
// while another one records.
std::vector<std::string> Shown(const Error& error) {
    ErrorRecorder errors;
    Guarded([&] { throw error; });
    return errors.shown;
}

// Every message the runtime builds in Japanese: each file error number as
// FileError words it (the directory there and not), each floating-point
// kind, the memory failure, and conversion failures of texts that a quoted
// field can be (a "%1" of its own, the message's own ending, bytes that are
// no UTF-8, a NUL).
std::vector<Error> RuntimeMessages(const std::string& folder) {
    std::vector<Error> errors;
    for (int errnum = 0; errnum <= 140; ++errnum) {
        errors.push_back(FileError(errnum, folder + "/missing.xyz"));
        errors.push_back(FileError(errnum, folder + "/no-such-folder/missing.xyz"));
    }
    errors.push_back(FileChangedError(folder + "/growing.xyz"));
    for (const ErrorKind kind :
         {ErrorKind::DivideByZero, ErrorKind::InvalidOperation, ErrorKind::Overflow}) {
        errors.push_back(FloatError(kind));
    }
    errors.push_back(OutOfMemoryError());
    for (const std::string& quoted :
         {std::string("abc"), std::string(), std::string("%1 %2"),
          std::string("x' は浮動小数点数ではありません"), std::string("\xff\xfe\x81"),
          std::string("a\0b", 3), std::string(" 1,5 ")}) {
        errors.push_back(ConversionError(quoted));
    }
    return errors;
}

TEST(Language, EveryRuntimeMessageHasItsEnglishInTheTranslationFile) {
    const std::vector<Translated> file = EnglishFile();
    ASSERT_FALSE(file.empty());
    const TempDir folder;
    std::vector<bool> used(file.size(), false);
    for (const Error& error : RuntimeMessages(folder.path())) {
        const std::string& message = error.Message();
        SCOPED_TRACE(message);
        const std::vector<std::string> japanese = Shown(error);
        EXPECT_EQ(japanese, std::vector<std::string>{WithFullStop(message)});

        // Exactly one entry of the file words the message.
        std::optional<std::string> english;
        for (std::size_t i = 0; i < file.size(); ++i) {
            const std::optional<std::string> argument = Argument(file[i].source, message);
            if (!argument) continue;
            EXPECT_FALSE(english) << "a second entry: " << file[i].source;
            english = file[i].translation;
            if (const std::size_t at = english->find("%1"); at != std::string::npos) {
                english->replace(at, 2, *argument);
            }
            used[i] = true;
        }
        ASSERT_TRUE(english) << "no English for this message";
        {
            const English inEnglish;
            EXPECT_EQ(Shown(error), std::vector<std::string>{WithFullStop(*english)});
        }
        EXPECT_EQ(Shown(error), japanese);
    }
    // Nothing in the file that the runtime does not say, but the title.
    for (std::size_t i = 0; i < file.size(); ++i) {
        EXPECT_TRUE(used[i] || file[i].source == kApplicationTitle) << file[i].source;
    }
}

TEST(Language, EnglishMessagesAreEnglishWhereTheQuotedTextIsPlain) {
    const TempDir folder;
    const English inEnglish;
    for (const Error& error : RuntimeMessages(folder.path())) {
        // The quoted text stays as the file has it.
        if (error.Kind() == ErrorKind::Conversion) continue;
        const std::vector<std::string> shown = Shown(error);
        ASSERT_EQ(shown.size(), 1u);
        for (const char c : shown.front()) EXPECT_EQ(c & 0x80, 0) << shown.front();
    }
}

// The box's title and the memory message it keeps ready follow the language.
TEST(Language, TitleAndMemoryMessageFollowTheLanguage) {
    std::map<std::string, std::string> english;
    for (const Translated& message : EnglishFile()) english[message.source] = message.translation;
    const auto check = [&](const std::string& title, const std::string& memory) {
        const auto box = MakeErrorBox("x", nullptr);
        EXPECT_EQ(box->windowTitle().toStdString(), title);
        ErrorRecorder errors;
        Guarded([] { throw std::bad_alloc(); });
        EXPECT_EQ(errors.shown, std::vector<std::string>{WithFullStop(memory)});
    };
    const std::string memory = OutOfMemoryError().Message();
    check(kApplicationTitle, memory);
    {
        const English inEnglish;
        check(english.at(kApplicationTitle), english.at(memory));
    }
    check(kApplicationTitle, memory);
}

// The messages of newer failures are English already and stay as they are,
// also those of the conversion kind that the file formats word.
TEST(Language, MessagesWithoutATranslationStayAsTheyAre) {
    const English inEnglish;
    for (const Error& error :
         {Error(ErrorKind::Conversion, "Line 3 of a.xyz: the x coordinate 'abc' is not a number"),
          Error(ErrorKind::Index, "atom 9 is not an atom of the molecule")}) {
        EXPECT_EQ(Shown(error), std::vector<std::string>{WithFullStop(error.Message())});
    }
}

// A field of 50 MB quoted while no megabyte can be had: shortened before it
// is copied, in English too.
TEST(Language, AHugeQuotedFieldIsShortenedInEnglish) {
    Error huge = ConversionError(std::string(50u << 20, '7'));
    {
        const English inEnglish;
        const std::string end = Shown(ConversionError("7"))[0].substr(1);
        ErrorRecorder errors;
        {
            const AllocationLimit limit(1 << 20);
            Guarded([&] { throw std::move(huge); });
        }
        ASSERT_EQ(errors.shown.size(), 1u);
        const std::string& shown = errors.shown[0];
        EXPECT_LT(shown.size(), 1000u);
        EXPECT_EQ(shown.rfind("'777", 0), 0u);
        EXPECT_NE(shown.find(" … "), std::string::npos);
        EXPECT_EQ(shown.substr(shown.size() - end.size()), end) << shown;
    }
}

TEST_F(FormTest, LanguageMenuSwitchesAtOnceAndIsKept) {
    MainWindow& f = Form();
    ASSERT_TRUE(Ui(f).viewMenu->actions().contains(Ui(f).languageMenu->menuAction()));
    EXPECT_TRUE(Ui(f).japaneseAction->isChecked());
    EXPECT_FALSE(Ui(f).englishAction->isChecked());
    ASSERT_TRUE(Ui(f).japaneseAction->actionGroup());
    EXPECT_EQ(Ui(f).japaneseAction->actionGroup(), Ui(f).englishAction->actionGroup());
    EXPECT_TRUE(Ui(f).japaneseAction->actionGroup()->isExclusive());

    const auto rotateAbc = [&] {
        errors.shown.clear();
        TypeOver(Ui(f).angleZ, "abc");
        Ui(f).rotateZ->click();
        return errors.shown;
    };
    const auto abc = [] { return std::vector{WithFullStop(ShownMessage(ConversionError("abc")))}; };
    const std::vector<std::string> japanese = rotateAbc();
    EXPECT_EQ(japanese, abc());

    Ui(f).englishAction->trigger();
    EXPECT_EQ(CurrentLanguage(), Language::English);
    EXPECT_EQ(StoredLanguage(), Language::English);
    EXPECT_TRUE(Ui(f).englishAction->isChecked());
    EXPECT_FALSE(Ui(f).japaneseAction->isChecked());
    const std::vector<std::string> english = rotateAbc();
    EXPECT_NE(english, japanese);
    EXPECT_EQ(english, abc());

    Ui(f).japaneseAction->trigger();
    EXPECT_EQ(CurrentLanguage(), Language::Japanese);
    EXPECT_EQ(StoredLanguage(), Language::Japanese);
    EXPECT_EQ(rotateAbc(), japanese);
}

TEST_F(FormTest, UserGuideIsATopLevelItemBesideHelpAndFollowsTheLanguage) {
    MainWindow& f = Form();
    const QList<QAction*> bar = f.menuBar()->actions();
    const qsizetype help = bar.indexOf(Ui(f).helpAction);
    ASSERT_GE(help, 0);
    ASSERT_EQ(bar.indexOf(Ui(f).userGuideAction), help + 1);
    EXPECT_EQ(Ui(f).helpAction->menu(), nullptr);
    EXPECT_EQ(Ui(f).userGuideAction->menu(), nullptr);
    EXPECT_EQ(Ui(f).userGuideAction->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_F1));

    f.show();
    Ui(f).userGuideAction->trigger();
    UserGuideWindow* guide = f.UserGuide();
    ASSERT_TRUE(guide);
    EXPECT_TRUE(guide->isVisible());
    EXPECT_EQ(guide->Browser->source(), UserGuidePage(Language::Japanese));
    const QString japaneseTitle = guide->windowTitle();

    Ui(f).englishAction->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
    EXPECT_EQ(guide->Browser->source(), UserGuidePage(Language::English));
    EXPECT_NE(guide->windowTitle(), japaneseTitle);
    Ui(f).japaneseAction->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
    EXPECT_EQ(guide->Browser->source(), UserGuidePage(Language::Japanese));
    EXPECT_EQ(guide->windowTitle(), japaneseTitle);

    // The same window again, not a second one.
    Ui(f).userGuideAction->trigger();
    EXPECT_EQ(f.UserGuide(), guide);
    guide->close();
}

// What a page of the guide links to and shows.
struct PageParts {
    QString title;
    std::set<std::string> anchors;
    std::vector<QString> links;
    std::set<std::string> images;
    int characters = 0;
};

PageParts PartsOf(const QUrl& page) {
    QFile file(':' + page.path());
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << page.toString().toStdString();
    QTextDocument document;
    document.setHtml(QString::fromUtf8(file.readAll()));
    PageParts parts;
    parts.title = document.metaInformation(QTextDocument::DocumentTitle);
    parts.characters = document.characterCount();
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            for (const QString& name : format.anchorNames())
                parts.anchors.insert(name.toStdString());
            if (format.isAnchor() && !format.anchorHref().isEmpty())
                parts.links.push_back(format.anchorHref());
            if (format.isImageFormat())
                parts.images.insert(format.toImageFormat().name().toStdString());
        }
    }
    return parts;
}

class GuidePage : public ::testing::TestWithParam<Language> {};

TEST_P(GuidePage, LinksLeadToItsSectionsAndPagesAndEveryPictureLoads) {
    const QUrl page = UserGuidePage(GetParam());
    const PageParts parts = PartsOf(page);
    EXPECT_FALSE(parts.title.isEmpty());
    EXPECT_GT(parts.characters, 2000);
    EXPECT_FALSE(parts.links.empty());
    EXPECT_FALSE(parts.images.empty());
    for (const QString& link : parts.links) {
        const QUrl target = page.resolved(QUrl(link));
        SCOPED_TRACE(target.toString().toStdString());
        if (target.scheme() != QLatin1String("qrc")) {
            ADD_FAILURE() << "a link that leaves the guide";
            continue;
        }
        EXPECT_TRUE(QFile::exists(':' + target.path()));
        if (target.hasFragment()) {
            const PageParts linked =
                target.adjusted(QUrl::RemoveFragment) == page ? parts : PartsOf(target);
            EXPECT_TRUE(linked.anchors.contains(target.fragment().toStdString()));
        }
    }
    for (const std::string& image : parts.images) {
        const QUrl target = page.resolved(QUrl(QString::fromStdString(image)));
        EXPECT_FALSE(QImage(':' + target.path()).isNull()) << target.toString().toStdString();
    }
}

// The two languages tell the same road: the same sections, the same
// pictures.
TEST(GuidePages, BothLanguagesHaveTheSameSectionsAndPictures) {
    const PageParts english = PartsOf(UserGuidePage(Language::English));
    const PageParts japanese = PartsOf(UserGuidePage(Language::Japanese));
    EXPECT_EQ(english.anchors, japanese.anchors);
    EXPECT_EQ(english.images, japanese.images);
    EXPECT_NE(english.title, japanese.title);
}

INSTANTIATE_TEST_SUITE_P(Languages, GuidePage,
                         ::testing::Values(Language::English, Language::Japanese),
                         [](const auto& info) {
                             return info.param == Language::English ? "English" : "Japanese";
                         });

}  // namespace
}  // namespace pivora::test
