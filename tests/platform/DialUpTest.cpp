#include <sys/stat.h>

#include <gmock/gmock.h>

#include <QFile>

#include "fixtures/TempHome.h"
#include "platform/DialUp.h"
#include "platform/FileSystem.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// A stand-in for nmcli: profiles are the lines of "profiles", active ones the lines of "active"; "up"
// activates a known profile (exit 0) and fails for an unknown one (exit 10). Every call's arguments are
// appended to "calls", one argument per line, so that a test sees how they were passed.
class DialUpTest : public TarnovexTest {
protected:
    void SetUp() override {
        state = home.Path();
        program = home.WriteFile(QStringLiteral("nmcli"), R"(#!/bin/sh
dir=$(dirname "$0")
for a in "$@"; do printf '%s\n' "$a" >> "$dir/calls"; done
printf -- '--\n' >> "$dir/calls"
if [ "$1" = "-t" ]; then
  if [ "$6" = "--active" ]; then cat "$dir/active" 2>/dev/null; else cat "$dir/profiles" 2>/dev/null; fi
  exit 0
fi
if [ "$1" = "connection" ] && [ "$2" = "up" ] && [ "$3" = "id" ]; then
  while IFS= read -r line; do
    name=$(printf '%s' "$line" | sed 's/\\:/:/g')
    if [ "$name" = "$4" ]; then printf '%s\n' "$line" >> "$dir/active"; exit 0; fi
  done < "$dir/profiles"
  exit 10
fi
exit 2
)");
        ASSERT_EQ(::chmod(EncodeFileName(program).constData(), 0755), 0);
    }
    void Profiles(const QByteArray& lines) { home.WriteFile(QStringLiteral("profiles"), lines); }
    void Active(const QByteArray& lines) { home.WriteFile(QStringLiteral("active"), lines); }
    QByteArray Calls() const {
        QFile file(state + QStringLiteral("calls"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QString state;
    QString program;
};

TEST(NmcliNames, TerseEscapesAreUndoneAndEmptyLinesDropped) {
    EXPECT_THAT(
        ParseNmcliNames("Office VPN\nHome\\:5G\n\nback\\\\slash\r\n"),
        ElementsAre(QStringLiteral("Office VPN"), QStringLiteral("Home:5G"), QStringLiteral("back\\slash")));
    EXPECT_THAT(ParseNmcliNames(""), IsEmpty());
}

TEST_F(DialUpTest, EntriesAndActiveConnectionsComeFromNmcli) {
    Profiles("Wired\nPhone\\: tether\nVPN\n");
    Active("Wired\n");
    TNmcliDialUp service(program);
    EXPECT_THAT(service.Entries(),
                ElementsAre(QStringLiteral("Wired"), QStringLiteral("Phone: tether"), QStringLiteral("VPN")));
    EXPECT_TRUE(service.IsActive(QStringLiteral("Wired")));
    EXPECT_FALSE(service.IsActive(QStringLiteral("VPN")));
    // Names are compared whole: a prefix of an active name is not active.
    EXPECT_FALSE(service.IsActive(QStringLiteral("Wire")));
}

TEST_F(DialUpTest, DialBringsTheProfileUpAndPassesItsNameAsOneLiteralArgument) {
    const QString tricky = QStringLiteral("My $(touch pwned) ; `id` net");
    Profiles(tricky.toUtf8() + "\n");
    TNmcliDialUp service(program);
    EXPECT_FALSE(service.IsActive(tricky));
    EXPECT_TRUE(service.Dial(tricky, {}));
    EXPECT_TRUE(service.IsActive(tricky));
    const QByteArray expected = QByteArray("connection\nup\nid\n") + tricky.toUtf8() + QByteArray("\n--\n");
    EXPECT_TRUE(Calls().contains(expected));
    EXPECT_FALSE(QFile::exists(state + QStringLiteral("pwned")));
}

TEST_F(DialUpTest, FailedDialIsReported) {
    Profiles("Wired\n");
    TNmcliDialUp service(program);
    EXPECT_FALSE(service.Dial(QStringLiteral("Nowhere"), {}));
    EXPECT_FALSE(service.Dial(QString(), {}));
}

TEST_F(DialUpTest, WithoutNmcliThereIsNothingToDial) {
    TNmcliDialUp missing(state + QStringLiteral("no-such-nmcli"));
    EXPECT_THAT(missing.Entries(), IsEmpty());
    EXPECT_FALSE(missing.IsActive(QStringLiteral("Wired")));
    EXPECT_FALSE(missing.Dial(QStringLiteral("Wired"), {}));
    // A bare name is looked up on PATH; an empty PATH finds none.
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", "");
    TNmcliDialUp bare;
    EXPECT_THAT(bare.Entries(), IsEmpty());
    qputenv("PATH", path);
}

TEST_F(DialUpTest, StopRequestEndsTheWaitForASlowDial) {
    const QString slow = home.WriteFile(QStringLiteral("slow-nmcli"), "#!/bin/sh\nexec sleep 30\n");
    ASSERT_EQ(::chmod(EncodeFileName(slow).constData(), 0755), 0);
    TNmcliDialUp service(slow);
    int asked = 0;
    // The stop comes on the third look, so the dial must have been waiting and polling.
    EXPECT_FALSE(service.Dial(QStringLiteral("Wired"), [&asked] { return ++asked >= 3; }));
    EXPECT_EQ(asked, 3);
}

}  // namespace
