// Message boxes held back while the idle pass runs: shown afterwards, in order, one at a
// time; questions are never held, since their callers need the answer.
#include "support/scriptedprompts.h"
#include "windows/heldprompts.h"

#include <QTest>

class TestHeldPrompts : public QObject {
    Q_OBJECT

private slots:
    void heldMessagesFollowEachOther();
};

void TestHeldPrompts::heldMessagesFollowEachOther() {
    ScriptedPrompts shown;
    HeldPrompts prompts(shown);
    using Icon = Prompts::Icon;
    QCOMPARE(prompts.message("shown at once", "c", Icon::Information), Prompts::Answer::Ok);

    prompts.hold(true);
    QCOMPARE(prompts.message("one", "c", Icon::Error), Prompts::Answer::Ok);
    QCOMPARE(prompts.message("two", "c", Icon::Warning), Prompts::Answer::Ok);
    shown.answers = {Prompts::Answer::No};
    QCOMPARE(prompts.message("question", "c", Icon::Question, Prompts::Buttons::YesNo),
             Prompts::Answer::No);
    QCOMPARE(shown.texts(), (QStringList{"shown at once", "question"}));
    prompts.hold(false);
    QVERIFY(prompts.hasHeld());

    // While "one" is open, a message comes in and a second showHeld() is asked for (the
    // idle pass runs inside the box): the message waits its turn instead of opening a box
    // over the open one.
    int open = 0, mostOpen = 0;
    shown.whileShown = [&](const ScriptedPrompts::Shown& box) {
        ++open;
        mostOpen = std::max(mostOpen, open);
        if (box.text == "one") {
            prompts.message("three", "c", Icon::Warning);
            prompts.showHeld();
        }
        --open;
    };
    prompts.showHeld();
    QCOMPARE(shown.texts(), (QStringList{"shown at once", "question", "one", "two", "three"}));
    QCOMPARE(shown.shown[2].icon, Icon::Error);
    QCOMPARE(mostOpen, 1);
    QVERIFY(!prompts.hasHeld());
}

QTEST_APPLESS_MAIN(TestHeldPrompts)
#include "tst_heldprompts.moc"
