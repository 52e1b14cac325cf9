#include "app/info_texts.h"

namespace kt::app::texts {

namespace {
const QString kBreak = QStringLiteral("\r\n");
const QString kBlankLine = QStringLiteral("\r\n\r\n");
} // namespace

QString authorName() {
    return QStringLiteral("The Kithtale Team");
}
QString makerName() {
    return QStringLiteral("Hearthside Software");
}
QString authorEmail() {
    return QStringLiteral("kithtale@example.com");
}
QString makerWeb() {
    return QStringLiteral("www.example.com/kithtale");
}

QString instructionsParagraph1() {
    return QStringLiteral("Kithtale is the third in a series of four tools for improving family "
                          "communication and recording family members' histories.") +
           QStringLiteral("  (The other three are Kithtale Roots, Kithtale Letters and Kithtale "
                          "Keepsakes.)") +
           QStringLiteral("  Some questions are supplied, but others may be added in the text "
                          "editing area.  NOTE:  All of the questions, including the ones you "
                          "haven't answered,") +
           QStringLiteral(" appear on the text editing page.  This is to remind you in case you "
                          "accidentally forgot to answer one.");
}

QString instructionsParagraph2() {
    return QStringLiteral(
               "Take your time answering these questions.  One question a day or one a week "
               "might be an appropriate goal.  Be as honest and as thorough as possible.  Put "
               "yourself in the reader's position -- what if YOU were the child and one of your "
               "family members was answering the questions for you?  If you don't want to "
               "answer a certain question, don't.  (Although a brief ") +
           QStringLiteral("explanation as to why you don't want to answer it might be beneficial "
                          "to the reader.)  Also add any questions you wish you were asked but "
                          "weren't.");
}

QString instructionsParagraph3() {
    return QStringLiteral("Whether you are the person answering the questions or the one "
                          "requesting the answers, I would appreciate your feedback about this "
                          "software application.  Please email me at") +
           kBreak + authorEmail() + QStringLiteral(".  Thank you.");
}

QString aboutShareware() {
    return QStringLiteral("Kithtale is shareware, and shareware works on the honor system.  If "
                          "this program has helped you, please pay the $5.00 shareware fee.  If "
                          "you are not happy with it, please email us and tell us why.  Thank "
                          "you for your support and encouragement!");
}

QString contactBlock() {
    return authorName() + kBreak + makerName() + kBreak + QStringLiteral("1200 Hearthstone Lane") +
           kBreak + QStringLiteral("Anytown, ST 00000") + kBreak + authorEmail() + kBreak +
           makerWeb();
}

QString distribution() {
    return QString::fromUtf8("Kithtale is copyright \u00a9 2000 by ") + authorName() +
           QStringLiteral(" and ") + makerName() + QStringLiteral(".  All rights reserved.") +
           kBlankLine +
           QStringLiteral("You are welcome to pass this program on freely: give a copy to a "
                          "friend, or place it on a bulletin board, an online service or any "
                          "file-transfer site, as long as you ask no money for it beyond a small "
                          "charge for the disk, the postage or the download.") +
           kBlankLine +
           QStringLiteral("You may not sell this program, or bundle it with any other product, "
                          "without the written permission of ") +
           authorName() +
           QStringLiteral(".  A free copy of any product so permitted must be sent to ") +
           authorName() + QStringLiteral(".") + kBlankLine +
           QStringLiteral("Only the parts of the program that concern creating your own "
                          "information may be altered, and altered versions may not be "
                          "distributed.  Please contact ") +
           authorName() + QStringLiteral(" by email at");
}

QString distributionContact() {
    return authorEmail() + QStringLiteral(" for more information.");
}

QString warranty1() {
    return QStringLiteral("Kithtale is supplied as is, without any warranty.  ") + authorName() +
           QStringLiteral(" and ") + makerName() +
           QStringLiteral(" disclaim all warranties, expressed or implied, including without "
                          "limitation the warranties of merchantability and of fitness for a "
                          "particular purpose.  Neither of them will be liable for any special, "
                          "incidental, consequential, indirect or similar damages arising from "
                          "loss of data or from any other cause, nor for any claim made by a "
                          "third party.  In no case will their liability");
}

QString warranty2() {
    return QStringLiteral("exceed the price paid for the license to use this program.  You bear "
                          "all risk as to the quality and performance of this software.  It was "
                          "written with care, but it is not warranted to be free of errors.  You "
                          "may not reverse engineer, modify or translate it, in");
}

QString warranty3() {
    return QStringLiteral("whole or in part.");
}

QString shareware1() {
    return QStringLiteral("Shareware lets you try a program before you buy it.  If you find the "
                          "program useful and keep using it after the trial, you are asked to "
                          "pay for it.  The terms differ from one program to the next, so read "
                          "each program's own notes: paying usually brings you the right to go "
                          "on using the program, and often news of later versions and help from "
                          "its author.") +
           kBlankLine +
           QStringLiteral("The law protects shareware just as much as it protects software sold "
                          "in shops, and its author keeps every right to it.  The difference lies "
                          "only in how it is passed around: a shareware author gives everyone "
                          "the right to copy the program and hand it on, sometimes with "
                          "restrictions.  Some authors, for example, require written permission");
}

QString shareware2() {
    return QStringLiteral("before a commercial disk vendor may copy their software.  See the "
                          "Distribution section for more about this program.");
}

QString versionHistory() {
    const char* const lines[] = {"Version 2.0:",
                                 "- Added text editing capabilities.",
                                 "",
                                 "Version 2.1:",
                                 "- Fixed text editor resizing problem.",
                                 "- Added ability to reload previously saved data.",
                                 "",
                                 "Version 2.1.1:",
                                 "- Made changes to stress need to save to a file.",
                                 ""};
    QString text;
    for (const char* line : lines)
        text += QString::fromLatin1(line) + kBreak;
    return text;
}

QString versionHistoryCaption() {
    return QStringLiteral("Kithtale - Version History");
}

QString dedication() {
    return QStringLiteral("Dedicated to my grandfathers, who I never knew.");
}

} // namespace kt::app::texts
