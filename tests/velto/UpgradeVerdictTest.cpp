// Upgrade verification round by round: what each search round brings back from a device
// decides when the wait for it ends and which verdict it gets.
#include "Velto/VeltoUpgradeVerdict.h"

#include <gtest/gtest.h>

namespace {
const char kMac[] = "02:56:4C:00:00:0A";
const char kOld[] = "V2.1.7.240315";
const char kNew[] = "V2.1.8.261208";

VeltoDevice reply(const QString &mac, const char *version)
{
    VeltoDevice device;
    device.setMac(mac);
    device.setValue(QStringLiteral("appVersion"), QString::fromLatin1(version));
    return device;
}

// rounds: one letter per search round, as the device answers in it: 'o' with its old
// version, 'n' with a new one, 'N' with a new one and its MAC in lower case, '-' silent.
// The wait ends early once no device is awaited, as in the dialog and lankitctl.
struct Case
{
    const char *rounds;
    int uploadResult;
    VeltoUpgradeVerdict::Verdict verdict;
    int roundsUsed;
};

TEST(UpgradeVerdictTest, EachRoundAsksAgainUntilANewVersionOrTheEnd)
{
    using V = VeltoUpgradeVerdict;
    const Case cases[] = {
        {"n--", 0, V::Upgraded, 1},       {"o-n", 0, V::Upgraded, 3},
        {"oon", 0, V::Upgraded, 3},       {"N--", 0, V::Upgraded, 1},
        {"ooo", 0, V::SameVersion, 3},    {"-oo", 0, V::SameVersion, 3},
        {"o--", 0, V::DidNotComeBack, 3}, {"oo-", 0, V::DidNotComeBack, 3},
        {"---", 0, V::DidNotComeBack, 3}, {"n--", 5, V::UploadFailed, 1},
        {"n--", -3, V::UploadFailed, 1},
    };
    const VeltoDevice before = reply(QString::fromLatin1(kMac), kOld);
    for (const Case &c : cases) {
        QVector<VeltoDevice> answered;
        int used = 0;
        for (const char *round = c.rounds; *round; ++round) {
            QVector<VeltoDevice> found = {reply("02:56:4C:00:00:0B", kNew)}; // another device
            if (*round == 'o')
                found << reply(QString::fromLatin1(kMac), kOld);
            else if (*round == 'n')
                found << reply(QString::fromLatin1(kMac), kNew);
            else if (*round == 'N')
                found << reply(QString::fromLatin1(kMac).toLower(), kNew);
            ++used;
            if (V::takeAnswers({before}, {c.uploadResult}, found, answered) == 0)
                break;
        }
        const V::Verdict verdict = V::of(before, answered.value(0), c.uploadResult);
        EXPECT_EQ(V::key(verdict), V::key(c.verdict)) << c.rounds << " result " << c.uploadResult;
        EXPECT_EQ(used, c.roundsUsed) << c.rounds << " result " << c.uploadResult;
    }
}
} // namespace
