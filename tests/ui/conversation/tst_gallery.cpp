#include <QTest>
class TestConversationGallery : public QObject {
    Q_OBJECT
};
QTEST_MAIN(TestConversationGallery)
#include "tst_gallery.moc"
