#include "platform/dialogs.h"

#include <gtest/gtest.h>

using namespace cotavia;

TEST(Dialogs, HeadlessServiceRecordsAndAnswersInOrder) {
  HeadlessDialogs d;
  DialogsGuard g(&d);
  d.answers = {true, false};
  dialogs().message("hello");
  EXPECT_TRUE(dialogs().confirm("sure?"));
  EXPECT_FALSE(dialogs().confirm("really?"));
  EXPECT_FALSE(dialogs().confirm("default"));
  ASSERT_EQ(d.log.size(), 4);
  EXPECT_EQ(d.log[1].caption, "Confirme");
  EXPECT_EQ(d.count(HeadlessDialogs::Entry::Confirm), 3);
  // Three-way questions take their own queue; with none left the answer is Cancelar.
  d.choices = {Dialogs::Answer::No};
  EXPECT_EQ(dialogs().ask("save?"), Dialogs::Answer::No);
  EXPECT_EQ(dialogs().ask("save?"), Dialogs::Answer::Cancel);
  EXPECT_EQ(d.log.last().kind, HeadlessDialogs::Entry::Ask);
  EXPECT_EQ(d.log.last().caption, "Confirme");
  // The three choosers take one queue; a save not told which entry was chosen answers the first.
  d.fileAnswers = {"/a.csv", "/b"};
  d.filterAnswers = {"B (*.b)"};
  QString entry;
  EXPECT_EQ(dialogs().saveFileName("Gravar", "/s.txt", "A (*.a);;B (*.b)", &entry), "/a.csv");
  EXPECT_EQ(entry, "B (*.b)");
  EXPECT_EQ(dialogs().folderName("Pasta", "/start"), "/b");
  EXPECT_EQ(dialogs().openFileName("Abrir", "/start", "A (*.a)"), "");
  EXPECT_EQ(dialogs().saveFileName("Gravar", "/s.txt", "A (*.a);;B (*.b)", &entry), "");
  EXPECT_EQ(entry, "A (*.a)");
  EXPECT_EQ(d.log[d.log.size() - 3].kind, HeadlessDialogs::Entry::Folder);
  EXPECT_EQ(d.log[d.log.size() - 3].text, "/start");
}
