#include "UploadText.h"

#include <gtest/gtest.h>

using namespace upload;

namespace {
std::string s(const QString& text) {
    return text.toStdString();
}
} // namespace

TEST(UploadInfo, FiveHeaderLinesThenTheTrimmedDescriptionEachEndingInCrLf) {
    const QString text = infoText({QStringLiteral("  Ann Smith "), QStringLiteral(" ann@example.org  "),
                                   QStringLiteral(" Grocelle "),
                                   QStringLiteral("  The list is empty  \n\n   after a restore\n")});
    EXPECT_EQ(s(text), "**** Quillmoor FTP upload ****\r\n\r\nUser: Ann Smith\r\nEmail: ann@example.org\r\n"
                       "Application: Grocelle\r\n\r\nThe list is empty\r\n\r\nafter a restore\r\n");
}

TEST(UploadInfo, CrLfInTheDescriptionGivesNoDoubleBreaks) {
    const QString text = infoText({QStringLiteral("A"), QStringLiteral("a@b"), QStringLiteral("Grocelle"),
                                   QStringLiteral("one\r\ntwo")});
    EXPECT_TRUE(text.endsWith(QStringLiteral("\r\n\r\none\r\ntwo\r\n"))) << s(text);
    EXPECT_FALSE(text.contains(QStringLiteral("\r\r")));
}

TEST(UploadValidation, EmailsEqualWithoutRegardToCaseAndEndBlanks) {
    const Validation v = validate(QStringLiteral("Ann"), QStringLiteral(" Ann@Example.org"),
                                  QStringLiteral("ann@example.ORG  "), QStringLiteral("x"));
    EXPECT_TRUE(v.email);
    EXPECT_TRUE(v.valid());
}

TEST(UploadValidation, EachRuleFailsOnItsOwn) {
    const QString name = QStringLiteral("Ann"), mail = QStringLiteral("a@b"), desc = QStringLiteral("x");
    // Equal addresses without "@" are no addresses.
    EXPECT_FALSE(validate(name, QStringLiteral("ann"), QStringLiteral("ann"), desc).email);
    EXPECT_FALSE(validate(name, mail, QStringLiteral("a@c"), desc).email);
    EXPECT_FALSE(validate(name, mail, QString(), desc).email);
    // Blanks alone are no name and no description.
    const Validation blanks = validate(QStringLiteral("   "), mail, mail, QStringLiteral(" \n\t "));
    EXPECT_FALSE(blanks.name);
    EXPECT_TRUE(blanks.email);
    EXPECT_FALSE(blanks.description);
    EXPECT_FALSE(blanks.valid());
    EXPECT_TRUE(validate(name, mail, mail, desc).valid());
}

TEST(UploadNames, DayCountSince1899AndWholeSecondsWithoutPadding) {
    EXPECT_EQ(s(archiveName(QDateTime(QDate(2000, 1, 1), QTime(0, 0, 59)))), "User_36526_59.zip");
    EXPECT_EQ(s(archiveName(QDateTime(QDate(1900, 1, 1), QTime(0, 0, 0)))), "User_2_0.zip");
    // Milliseconds do not round up into the next second.
    EXPECT_EQ(s(archiveName(QDateTime(QDate(2026, 12, 9), QTime(23, 59, 59, 999)))), "User_46365_86399.zip");
}

TEST(UploadNames, NumberedCandidatesGoBeforeTheExtension) {
    const QString name = QStringLiteral("User_36526_59.zip");
    EXPECT_EQ(s(candidateName(name, 0)), "User_36526_59.zip");
    EXPECT_EQ(s(candidateName(name, 1)), "User_36526_59_1.zip");
    EXPECT_EQ(s(candidateName(name, 12)), "User_36526_59_12.zip");
    EXPECT_EQ(s(candidateName(QStringLiteral("archive"), 2)), "archive_2");
}

TEST(UploadNames, AListingTakesANameOnlyWhenItNamesIt) {
    const QString name = QStringLiteral("User_1_2.zip");
    EXPECT_TRUE(
        listingNames(QStringLiteral("-rw-r--r--   1 ftp ftp  386 Dec 09 16:50 User_1_2.zip\r\n"), name));
    EXPECT_TRUE(listingNames(QStringLiteral("User_1_2.zip"), name));
    // A whole folder listed instead of the one name, with the name in it or not.
    const QString folder = QStringLiteral("-rw-r--r-- 1 ftp ftp 9 Dec 09 16:50 User_1_2_1.zip\r\n"
                                          "-rw-r--r-- 1 ftp ftp 9 Dec 09 16:50 Other_User_1_2.zip\r\n");
    EXPECT_FALSE(listingNames(folder, name));
    EXPECT_TRUE(
        listingNames(folder + QStringLiteral("-rw-r--r-- 1 ftp ftp 9 Dec 09 16:51 User_1_2.zip\n"), name));
    EXPECT_FALSE(listingNames(QStringLiteral("-rw-r--r-- 1 ftp ftp 9 Dec 09 16:50 User_1_2.zip.part"), name));
    EXPECT_FALSE(listingNames(QString(), name));
}

TEST(UploadSizeText, TheLargestUnitThatRoundsToAtLeastOne) {
    EXPECT_EQ(s(sizeText(512)), "512B");   // half a kilobyte rounds to even, that is 0
    EXPECT_EQ(s(sizeText(513)), "0.50kB"); // just over half rounds to 1
    EXPECT_EQ(s(sizeText(1536)), "1.50kB");
    EXPECT_EQ(s(sizeText(600 * 1024)), "0.59MB");
    EXPECT_EQ(s(sizeText(0)), "0B");
    EXPECT_EQ(s(sizeText(std::int64_t(3) << 30)), "3.00GB");
    EXPECT_EQ(s(sizeText(-1)), "??");
}

TEST(UploadConfirmation, TheFirstPairOfALineMustEncloseExactlyTheName) {
    const QString name = QStringLiteral("User_1_2.zip");
    EXPECT_TRUE(confirmsUpload(QStringLiteral("<html>\r\nOK ##User_1_2.zip## thanks\r\n"), name));
    EXPECT_TRUE(confirmsUpload(QStringLiteral("##other##\n##User_1_2.zip##"), name));
    EXPECT_FALSE(confirmsUpload(QStringLiteral("##user_1_2.zip##"), name));
    EXPECT_FALSE(confirmsUpload(QStringLiteral("##User_1_2.zip ##"), name));
    EXPECT_FALSE(confirmsUpload(QStringLiteral("## User_1_2.zip##"), name));
    // Only the first "##" of a line opens; a later pair on the same line does not count.
    EXPECT_FALSE(confirmsUpload(QStringLiteral("##x## ##User_1_2.zip##"), name));
    EXPECT_FALSE(confirmsUpload(QString(), name));
}

TEST(UploadConfirmation, TheClosingPairMustComeWithin256Characters) {
    const QString name = QString(254, QLatin1Char('n'));
    EXPECT_TRUE(confirmsUpload(QStringLiteral("##") + name + QStringLiteral("##"), name));
    const QString longer = name + QStringLiteral("n");
    EXPECT_FALSE(confirmsUpload(QStringLiteral("##") + longer + QStringLiteral("##"), longer));
}

TEST(UploadEndpoints, EnvironmentReplacesTheMakersAddresses) {
    qunsetenv("GROCELLE_SUPPORT_FTP");
    qunsetenv("GROCELLE_SUPPORT_NOTIFY");
    const Endpoints fixed = Endpoints::fromEnvironment();
    EXPECT_TRUE(fixed.ftpFolderUrl.startsWith(QStringLiteral("ftp://"))) << s(fixed.ftpFolderUrl);
    EXPECT_TRUE(fixed.ftpFolderUrl.contains(QStringLiteral(".example:21/"))) << s(fixed.ftpFolderUrl);
    EXPECT_TRUE(fixed.notifyPrefix.startsWith(QStringLiteral("http://"))) << s(fixed.notifyPrefix);
    EXPECT_TRUE(fixed.notifyPrefix.contains(QStringLiteral(".example/"))) << s(fixed.notifyPrefix);

    qputenv("GROCELLE_SUPPORT_FTP", "ftp://u:p@127.0.0.1:2121/in");
    qputenv("GROCELLE_SUPPORT_NOTIFY", "http://127.0.0.1:8080/n?f=");
    const Endpoints local = Endpoints::fromEnvironment();
    qunsetenv("GROCELLE_SUPPORT_FTP");
    qunsetenv("GROCELLE_SUPPORT_NOTIFY");
    EXPECT_EQ(s(local.ftpFolderUrl), "ftp://u:p@127.0.0.1:2121/in/");
    EXPECT_EQ(s(local.notifyPrefix), "http://127.0.0.1:8080/n?f=");
}

TEST(UploadMessages, MissingFolderNamesItWithItsSeparator) {
    EXPECT_EQ(s(missingFolderMessage(QStringLiteral("/home/ann/.local/share/Grocelle"))),
              "Folder \"/home/ann/.local/share/Grocelle/\" does not exist.");
}
