// Remote pictures on image views over an installed loader: placeholder at once, the picture on arrival,
// only the latest request of a view counts, cancelling, and the answers without a URL or a loader.
#include "platform/ui/ImageView.h"
#include "platform/ui/ImageViewWebCache.h"

#include "TestSandbox.h"

#include <QApplication>
#include <QHash>
#include <QTest>

using namespace pelnix;
using namespace pelnix::platform::ui;
namespace WebCache = ImageViewWebCache;

namespace {

QImage filled(const QColor& colour) {
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// Holds every load until the test answers it; "memory" URLs answer before load() returns.
struct HeldLoader {
    QHash<quint64, WebCache::Completed> held;
    QHash<quint64, QUrl> urls;
    QList<quint64> cancelled;
    QList<int> options;
    quint64 next = 1;
    HeldLoader() {
        WebCache::setImageSource({[this](const QUrl& url, int option, WebCache::Completed done) -> quint64 {
                                      options << option;
                                      if (url.host() == QLatin1String("memory")) {
                                          done(filled(Qt::green), std::nullopt, 2, url);
                                          return 0;
                                      }
                                      held.insert(next, done);
                                      urls.insert(next, url);
                                      return next++;
                                  },
                                  [this](quint64 id) { cancelled << id; },
                                  [](const QUrl& url) { return url.host() == QLatin1String("memory"); }});
    }
    ~HeldLoader() { WebCache::setImageSource({}); }
    void answer(quint64 id, const QImage& image) {
        held.take(id)(image, image.isNull() ? PLOptionalError(PLError("test", 404)) : std::nullopt, 0,
                      urls.value(id));
    }
};

struct Outcome {
    int calls = 0;
    QImage image;
    PLOptionalError error;
    int cacheType = -1;
    WebCache::Completed handler() {
        return [this](const QImage& i, const PLOptionalError& e, int type, const QUrl&) {
            ++calls;
            image = i;
            error = e;
            cacheType = type;
        };
    }
};

} // namespace

class TestImageWebCache : public QObject {
    Q_OBJECT
private slots:
    void placeholderThenThePicture();
    void onlyTheLatestRequestOfAViewCounts();
    void cancelDropsTheLoad();
    void aFailureKeepsThePlaceholder();
    void memoryHitsEndBeforeReturning();
    void noURLOrNoLoaderEndAtOnceWithAnError();
    void aViewGoneBeforeTheAnswerIsLeftAlone();
};

void TestImageWebCache::placeholderThenThePicture() {
    HeldLoader loader;
    ImageView view;
    Outcome outcome;
    WebCache::pl_setImageWithURL(&view, QUrl("https://p.test/a.png"), filled(Qt::gray), WebCache::RetryFailed,
                                 outcome.handler());
    QCOMPARE(view.image(), filled(Qt::gray));
    QVERIFY(WebCache::isLoading(&view));
    QCOMPARE(loader.options, QList<int>{WebCache::RetryFailed});
    loader.answer(1, filled(Qt::red));
    QCOMPARE(view.image(), filled(Qt::red));
    QCOMPARE(outcome.calls, 1);
    QCOMPARE(outcome.image, filled(Qt::red));
    QVERIFY(!outcome.error);
    QVERIFY(!WebCache::isLoading(&view));
}

void TestImageWebCache::onlyTheLatestRequestOfAViewCounts() {
    HeldLoader loader;
    ImageView view;
    Outcome first, second;
    WebCache::pl_setImageWithURL(&view, QUrl("https://p.test/old.png"), {}, 0, first.handler());
    WebCache::pl_setImageWithURL(&view, QUrl("https://p.test/new.png"), filled(Qt::gray), 0,
                                 second.handler());
    // The earlier load was cancelled; its late answer changes nothing and is not reported.
    QCOMPARE(loader.cancelled, QList<quint64>{1});
    loader.answer(1, filled(Qt::blue));
    QCOMPARE(view.image(), filled(Qt::gray));
    QCOMPARE(first.calls, 0);
    loader.answer(2, filled(Qt::red));
    QCOMPARE(view.image(), filled(Qt::red));
    QCOMPARE(second.calls, 1);
    // Two views load side by side, each its own picture.
    ImageView other;
    WebCache::pl_setImageWithURL(&other, QUrl("https://p.test/other.png"), {}, 0, {});
    loader.answer(3, filled(Qt::yellow));
    QCOMPARE(view.image(), filled(Qt::red));
    QCOMPARE(other.image(), filled(Qt::yellow));
}

void TestImageWebCache::cancelDropsTheLoad() {
    HeldLoader loader;
    ImageView view;
    Outcome outcome;
    WebCache::pl_setImageWithURL(&view, QUrl("https://p.test/a.png"), filled(Qt::gray), 0, outcome.handler());
    WebCache::pl_cancelCurrentImageLoad(&view);
    QCOMPARE(loader.cancelled, QList<quint64>{1});
    QVERIFY(!WebCache::isLoading(&view));
    loader.answer(1, filled(Qt::red));
    QCOMPARE(view.image(), filled(Qt::gray));
    QCOMPARE(outcome.calls, 0);
    // Cancelling a view with nothing under way is harmless.
    WebCache::pl_cancelCurrentImageLoad(&view);
    WebCache::pl_cancelCurrentImageLoad(nullptr);
    QCOMPARE(loader.cancelled.size(), 1);
}

void TestImageWebCache::aFailureKeepsThePlaceholder() {
    HeldLoader loader;
    ImageView view;
    Outcome outcome;
    WebCache::pl_setImageWithURL(&view, QUrl("https://p.test/a.png"), filled(Qt::gray), 0, outcome.handler());
    loader.answer(1, QImage());
    QCOMPARE(view.image(), filled(Qt::gray));
    QCOMPARE(outcome.calls, 1);
    QVERIFY(outcome.error);
}

void TestImageWebCache::memoryHitsEndBeforeReturning() {
    HeldLoader loader;
    ImageView view;
    Outcome outcome;
    QVERIFY(WebCache::cachedImageExistsForURL(QUrl("https://memory/a.png")));
    WebCache::pl_setImageWithURL(&view, QUrl("https://memory/a.png"), filled(Qt::gray), 0, outcome.handler());
    QCOMPARE(outcome.calls, 1);
    QCOMPARE(outcome.cacheType, 2);
    QCOMPARE(view.image(), filled(Qt::green));
    QVERIFY(!WebCache::isLoading(&view));
    // Nothing is left to cancel.
    WebCache::pl_cancelCurrentImageLoad(&view);
    QVERIFY(loader.cancelled.isEmpty());
}

void TestImageWebCache::noURLOrNoLoaderEndAtOnceWithAnError() {
    ImageView view;
    Outcome noLoader;
    QVERIFY(!WebCache::hasImageSource());
    QVERIFY(!WebCache::cachedImageExistsForURL(QUrl("https://p.test/a.png")));
    WebCache::pl_setImageWithURL(&view, QUrl("https://p.test/a.png"), filled(Qt::gray), 0,
                                 noLoader.handler());
    QCOMPARE(noLoader.calls, 1);
    QVERIFY(noLoader.error);
    QCOMPARE(view.image(), filled(Qt::gray));

    HeldLoader loader;
    Outcome noURL;
    WebCache::pl_setImageWithURL(&view, QUrl(), filled(Qt::darkGray), 0, noURL.handler());
    QCOMPARE(noURL.calls, 1);
    QCOMPARE(noURL.error->localizedDescription, QStringLiteral("Trying to load a nil url"));
    QCOMPARE(view.image(), filled(Qt::darkGray));
    QVERIFY(loader.options.isEmpty());
}

void TestImageWebCache::aViewGoneBeforeTheAnswerIsLeftAlone() {
    HeldLoader loader;
    Outcome outcome;
    {
        ImageView view;
        WebCache::pl_setImageWithURL(&view, QUrl("https://p.test/a.png"), {}, 0, outcome.handler());
    }
    loader.answer(1, filled(Qt::red));
    QCOMPARE(outcome.calls, 0);
}

int main(int argc, char** argv) {
    pelnix::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    TestImageWebCache t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_imagewebcache.moc"
