#include "windows/app/info_texts.h"

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
           QStringLiteral("You are welcome to pass this program on to others freely: give a copy "
                          "to a friend or to a member of your family, or place it on a bulletin "
                          "board, an online service or any file-transfer site, as long as you ask "
                          "no money for it beyond a small charge to cover the disk, the postage "
                          "or the download.") +
           kBlankLine +
           QStringLiteral("You may not sell this program, or bundle it with any other product, "
                          "whether that product is sold or given away, without the written "
                          "permission of ") +
           authorName() +
           QStringLiteral(".  A free copy of any product so permitted must be sent to ") +
           authorName() + QStringLiteral(".") + kBlankLine +
           QStringLiteral("Only the parts of the program that concern creating your own "
                          "information, such as your answers and the life story made from them, "
                          "may be altered, and altered versions of the program may not be "
                          "distributed.  If you have any question about passing this program "
                          "on, please contact ") +
           authorName() + QStringLiteral(" by email at");
}

QString distributionContact() {
    return authorEmail() + QStringLiteral(" for more information.");
}

QString warranty1() {
    return QStringLiteral("Kithtale is supplied as is, without a warranty of any kind.  ") +
           authorName() + QStringLiteral(" and ") + makerName() +
           QStringLiteral(" disclaim all warranties relating to this program, whether expressed "
                          "or implied, including without limitation any implied warranties of "
                          "merchantability and of fitness for a particular purpose.  Neither of "
                          "them will be liable for any special, incidental, consequential, "
                          "indirect or similar damages arising from the loss of data or from any "
                          "other cause, even if they have been told that such damages might "
                          "occur, nor for any claim made against you by a third party.  In no "
                          "case will the liability of ") +
           authorName() + QStringLiteral(" or of ") + makerName() +
           QStringLiteral(" for any damages");
}

QString warranty2() {
    return QStringLiteral("ever exceed the price paid for the license to use this program, "
                          "whatever the form of the claim.  You, the person using this program, "
                          "bear all risk as to its quality and performance, and you alone decide "
                          "whether it suits your needs.  The program was "
                          "written with great care, but it is not warranted to be free of "
                          "errors.  You may not reverse engineer, decompile, modify or translate "
                          "this program or any part of it, in");
}

QString warranty3() {
    return QStringLiteral("whole or in part.");
}

QString shareware1() {
    return QStringLiteral("Shareware is a way of selling software that lets you try a program "
                          "before you buy it.  If you find the program useful and keep using it "
                          "after a fair trial, you are asked to pay for it.  The terms differ "
                          "from one program to the next, so read each program's own notes: some "
                          "authors ask only a small fee, others a registration.  Paying usually "
                          "brings you the right to go on using the program, and often news of "
                          "later versions, printed instructions and help from its author.  Above "
                          "all, it lets the "
                          "author go on writing and improving programs like this one.  Many "
                          "shareware authors work on their own, and the fees they receive are "
                          "what keeps their programs alive.") +
           kBlankLine +
           QStringLiteral("The law protects shareware just as much as it protects software sold "
                          "in shops, and its author keeps every right to it but those given away "
                          "in its notes.  Shareware is not free software, and it is often just "
                          "as good as any other; the difference lies only in how it is passed "
                          "around.  A shareware author gives everyone the right to copy the "
                          "program and hand it on, to anyone or to a named group, sometimes with "
                          "restrictions.  Everyone who receives a copy has the same right to try "
                          "the program before paying for it.  Some authors, for example, require "
                          "written permission");
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
