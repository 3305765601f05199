// Content a room member or the server can send that once cost the main thread or the import without
// bound, each beside a baseline of the same work on ordinary input in the same run:
//   - a chatlet form of 20,000 fields (refused) beside the poll form and a form at the field bound;
//   - a form title of one 256 KB word in a label beside 256 KB of prose in the same label;
//   - a text message of one 128 KB word measured beside 128 KB of prose;
//   - two XPath evaluations that no bound between steps can end (node-sets compared for every
//     element of a 6 KB message, count(//*//*//*//*//*) of a 140 KB message) beside an ordinary
//     poll transform, both through the transform workers, with the default 2 s bound.
#include "HostileSmartMessages.h"
#include "SideBySideBaseline.h"
#include "TestSandbox.h"

#include "core/model/ChatRoom.h"
#include "core/model/CurrentUserInfo.h"
#include "core/model/PelnixDataModel.h"
#include "core/model/RoomMember.h"
#include "core/model/User.h"
#include "foundation/persistence/PLManagedObject.h"
#include "foundation/persistence/PLPersistence.h"

#include "platform/ui/Label.h"
#include "smart/PLXSLTStylesheet.h"
#include "smart/SmartMessageRenderer.h"
#include "ui/conversation/PLChatWindowStyle.h"
#include "ui/conversation/PLChatletFormView.h"
#include "ui/conversation/PLMessageTextView.h"

#include <QApplication>
#include <QFile>
#include <QLoggingCategory>
#include <QTextLayout>
#include <benchmark/benchmark.h>

#include <cstdio>

using namespace pelnix;

namespace {

QMap<QString, double> g_seconds;

QVariantList textFields(int count) {
    QVariantList fields;
    for (int i = 0; i < count; ++i)
        fields << QVariantMap{{"id", QStringLiteral("f%1").arg(i)}, {"type", "text"}, {"label", "Field"}};
    return fields;
}

QVariantList pollFields() {
    return {QVariantMap{{"id", "title"}, {"type", "text"}, {"label", "Title"}, {"required", true}},
            QVariantMap{{"id", "question"}, {"type", "textarea"}, {"label", "Question"}, {"required", true}},
            QVariantMap{{"id", "options"}, {"type", "list"}, {"label", "Options"}, {"min", 2}, {"max", 10}}};
}

void showForm(benchmark::State& state, const QVariantList& fields) {
    for (auto _ : state) {
        PLChatletFormView view;
        view.resize(320, 568);
        view.setForm(QStringLiteral("Poll"), fields);
        benchmark::DoNotOptimize(view.fieldViews().size());
    }
}
void BM_Form20000Fields(benchmark::State& state) {
    showForm(state, textFields(20000));
}
void BM_FormPoll(benchmark::State& state) {
    showForm(state, pollFields());
}
void BM_FormAtTheFieldBound(benchmark::State& state) {
    showForm(state, textFields(PLChatletFormView::kMaxFields));
}

QString prose(int length) {
    QString text;
    while (text.size() < length)
        text += QStringLiteral("Where shall we go for lunch on Friday, the dock or the pier? ");
    text.truncate(length);
    return text;
}

void wrapLabel(benchmark::State& state, const QString& text) {
    platform::ui::Label label;
    label.setNumberOfLines(0);
    for (auto _ : state) {
        label.setText(text);
        benchmark::DoNotOptimize(label.heightForWidth(290));
    }
}
void BM_Title256KBWord(benchmark::State& state) {
    wrapLabel(state, QString(256 * 1024, QLatin1Char('w')));
}
// Qt's own wrapping (no line breaker) of one word an eighth as long, to show what the label is spared.
void BM_QtOwnWrapping32KBWord(benchmark::State& state) {
    const QString word(32 * 1024, QLatin1Char('w'));
    const QFont font = QApplication::font();
    for (auto _ : state) {
        QTextLayout layout(word, font);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine())
            line.setLineWidth(290);
        layout.endLayout();
        benchmark::DoNotOptimize(layout.lineCount());
    }
}
void BM_Title256KBProse(benchmark::State& state) {
    wrapLabel(state, prose(256 * 1024));
}

// Each iteration measures a text not seen before (heights are remembered per text).
void measureMessage(benchmark::State& state, QString text) {
    const QFont font = PLChatWindowStyle::messageFont();
    int round = 0;
    for (auto _ : state) {
        const QString digits = QString::number(++round).rightJustified(8, QLatin1Char('0'));
        text.replace(0, digits.size(), digits);
        benchmark::DoNotOptimize(PLMessageTextView::measuredHeight(text, font, 230));
    }
}
void BM_Message128KBWord(benchmark::State& state) {
    measureMessage(state, QString(128 * 1024, QLatin1Char('w')));
}
void BM_Message128KBProse(benchmark::State& state) {
    measureMessage(state, prose(128 * 1024));
}

void transform(benchmark::State& state, const QString& name, const QByteArray& xslt, const QString& json) {
    const PLXMLDocument document = SmartMessageRenderer::messageDocument(json, {});
    for (auto _ : state)
        benchmark::DoNotOptimize(SmartMessageRenderer::transform(document, name, QString::fromUtf8(xslt)));
}
void BM_XPathNodeSetsCompared(benchmark::State& state) {
    transform(state, "compare", test::comparingSheet(), test::comparingMessage());
}
void BM_XPathCountOf140KB(benchmark::State& state) {
    transform(state, "count", test::countingSheet(), test::countingMessage());
}
void BM_XPathOrdinaryPoll(benchmark::State& state) {
    QFile file(QStringLiteral(PELNIX_SOURCE_DIR "/standin/fixtures/smart/poll.xsl"));
    if (!file.open(QIODevice::ReadOnly)) {
        state.SkipWithError("poll stylesheet missing");
        return;
    }
    transform(state, "poll", file.readAll(),
              QStringLiteral(
                  R"({"type":"poll","content":{"title":"Lunch","question":"Where?",)"
                  R"("options":[{"id":"1","text":"Dock","votes":3},{"id":"2","text":"Pier","votes":1}]}})"));
}

} // namespace

BENCHMARK(BM_FormPoll)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FormAtTheFieldBound)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Form20000Fields)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Title256KBProse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Title256KBWord)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_QtOwnWrapping32KBWord)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Message128KBProse)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Message128KBWord)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_XPathOrdinaryPoll)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_XPathNodeSetsCompared)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_XPathCountOf140KB)->Unit(benchmark::kMillisecond)->Iterations(3);

namespace {

// A room's member list as the server sends it, imported on a fresh store: a team room of 5,000 (and
// 1,000 and 2,000, to show the growth) beside an ordinary room of 50.
QVariantMap roomOfMembers(int count) {
    QVariantList members;
    for (int i = 0; i < count; ++i)
        members << QVariantMap{{"userId", 1000 + i},
                               {"status", "active"},
                               {"joined", 1'700'000'000'000.0 + i},
                               {"user", QVariantMap{{"name", QStringLiteral("Member %1").arg(i)},
                                                    {"email", QStringLiteral("m%1@team.test").arg(i)}}}};
    return {{"_id", "team"}, {"name", "Team"}, {"type", "2"}, {"members", members}};
}

void importMembers(benchmark::State& state, int count) {
    const QVariantList rooms{roomOfMembers(count)};
    for (auto _ : state) {
        state.PauseTiming();
        auto sandbox = std::make_unique<test::TestSandbox>();
        PelnixDataModel::registerDeclaration();
        PLManagedObject::initializeDatabase();
        state.ResumeTiming();
        const auto imported = ChatRoom::updateChatRoomsWithArray(rooms);
        state.PauseTiming();
        if (imported.size() != 1 || RoomMember::PS_countOfEntities() != count)
            state.SkipWithError("members not imported");
        PLPersistence::cleanUp();
        sandbox.reset();
        state.ResumeTiming();
    }
}
void BM_Members50(benchmark::State& state) {
    importMembers(state, 50);
}
void BM_Members1000(benchmark::State& state) {
    importMembers(state, 1000);
}
void BM_Members2000(benchmark::State& state) {
    importMembers(state, 2000);
}
void BM_Members5000(benchmark::State& state) {
    importMembers(state, 5000);
}

} // namespace

BENCHMARK(BM_Members50)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Members1000)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_Members2000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Members5000)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The refusals and stops each log a warning; they are what is measured, not news.
    QLoggingCategory::setFilterRules(QStringLiteral("pelnix.*=false"));
    benchmark::Initialize(&argc, argv);
    bench::SideBySideReporter reporter(g_seconds);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto ms = [](const char* name) { return g_seconds.value(QLatin1String(name)) * 1000; };
    std::printf("\nHostile content beside ordinary content (ms):\n");
    std::printf("  form of 20,000 fields, refused   %9.2f   poll form %7.2f   %d fields %7.2f\n",
                ms("BM_Form20000Fields"), ms("BM_FormPoll"), PLChatletFormView::kMaxFields,
                ms("BM_FormAtTheFieldBound"));
    std::printf(
        "  title, one 256 KB word           %9.2f   256 KB of prose %7.2f   Qt's own, 32 KB word %7.2f\n",
        ms("BM_Title256KBWord"), ms("BM_Title256KBProse"), ms("BM_QtOwnWrapping32KBWord"));
    std::printf("  message, one 128 KB word         %9.2f   128 KB of prose %7.2f\n",
                ms("BM_Message128KBWord"), ms("BM_Message128KBProse"));
    std::printf("  XPath, node-sets compared        %9.2f   ordinary poll %7.2f   bound %d\n",
                ms("BM_XPathNodeSetsCompared"), ms("BM_XPathOrdinaryPoll"),
                PLXSLTStylesheet::limits().timeMs);
    std::printf("  XPath, count(//*//*//*//*//*)    %9.2f\n", ms("BM_XPathCountOf140KB"));
    std::printf(
        "  members of one room, 5,000       %9.2f   50 members %7.2f   per member: 50 %.3f, 1,000 %.3f, "
        "2,000 %.3f, 5,000 %.3f\n",
        ms("BM_Members5000"), ms("BM_Members50"), ms("BM_Members50") / 50, ms("BM_Members1000") / 1000,
        ms("BM_Members2000") / 2000, ms("BM_Members5000") / 5000);
    benchmark::Shutdown();
    return 0;
}
