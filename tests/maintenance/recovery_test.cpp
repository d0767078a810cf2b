// Password recovery: the questions that write the recovery file at creation,
// and "Kovara - Recover Your Password" that opens it with the pair rule.
#include <gtest/gtest.h>

#include <string>

#include "keys/change_password/change_password.h"
#include "maintenance/recovery/recovery_file.h"
#include "maintenance/recovery/recovery_questions.h"
#include "user_on_token.h"
#include "resources/resource.h"

namespace {

const int kAnswerIds[3] = {IDC_RECOVERY_ANSWER_1, IDC_RECOVERY_ANSWER_2, IDC_RECOVERY_ANSWER_3};

class RecoveryTest : public UserOnTokenTest {
protected:
    std::string prf = folder.File("PRF\\Ann.prf");

    // Runs the questions for Ann with the answers; returns the result.
    int Questions(const char *a1, const char *a2, const char *a3) {
        int result = -1;
        HWND dialog = runner.Start([&] { result = RunRecoveryQuestions(nullptr, "Ann", "pw of ann"); },
                                   "Kovara - Password Recovery");
        EXPECT_NE(nullptr, dialog);
        if (!dialog) return -1;
        const char *answers[3] = {a1, a2, a3};
        for (int k = 0; k < 3; ++k) robot::SetControlText(dialog, kAnswerIds[k], answers[k]);
        robot::PressButton(dialog, IDC_RECOVERY_NEXT);
        EXPECT_TRUE(runner.Finish());
        return result;
    }
    HWND OpenRecover() {
        HWND dialog = runner.Start([] { RunRecoverPasswordDialog(nullptr); }, "Kovara - Recover Your Password");
        EXPECT_NE(nullptr, dialog);
        return dialog;
    }
    robot::Box Submit(HWND dialog, const char *user, const char *a1, const char *a2, const char *a3) {
        robot::SetControlText(dialog, IDC_RECOVER_USER, user);
        const char *answers[3] = {a1, a2, a3};
        for (int k = 0; k < 3; ++k) robot::SetControlText(dialog, kAnswerIds[k], answers[k]);
        robot::PressButton(dialog, IDC_RECOVER_SUBMIT);
        return AnswerBox(IDOK);
    }
};

const std::string kWrong = "Your answers were found incorrect.\nPassword can not be revealed.";

TEST_F(RecoveryTest, QuestionsRefuseEmptyAndEqualAnswersAndBackWritesNothing) {
    int result = -1;
    HWND dialog =
        runner.Start([&] { result = RunRecoveryQuestions(nullptr, "Ann", "pw of ann"); }, "Kovara - Password Recovery");
    ASSERT_NE(nullptr, dialog);
    robot::SetControlText(dialog, IDC_RECOVERY_ANSWER_1, "Smith");
    robot::SetControlText(dialog, IDC_RECOVERY_ANSWER_2, "Smith");
    robot::PressButton(dialog, IDC_RECOVERY_NEXT);
    EXPECT_EQ("You must answer all the questions.", AnswerBox(IDOK).text);
    robot::SetControlText(dialog, IDC_RECOVERY_ANSWER_3, "12345");
    robot::PressButton(dialog, IDC_RECOVERY_NEXT);
    EXPECT_EQ("No two answers can be the same.", AnswerBox(IDOK).text);
    robot::PressButton(dialog, IDC_RECOVERY_BACK);
    EXPECT_TRUE(runner.Finish());
    EXPECT_EQ(0, result);
    EXPECT_FALSE(FileExists(prf));
}

TEST_F(RecoveryTest, AnswersDifferingInCaseAreDifferentAnswers) {
    ASSERT_EQ(1, Questions("Smith", "smith", "SMITH"));
    EXPECT_EQ(332u, ReadBytes(prf).size());
    HWND dialog = OpenRecover();
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(kWrong, Submit(dialog, "Ann", "smith", "Smith", "SMITH").text);
    EXPECT_EQ(kWrong, Submit(dialog, "Ann", "Smith", "smith", "smitH").text) << "two right, one wrong";
    robot::Box shown = Submit(dialog, "Ann", "Smith", "smith", "SMITH");
    EXPECT_EQ("Password was recovered successfully!\nPassword: pw of ann", shown.text);
    EXPECT_EQ((UINT)MB_ICONINFORMATION, shown.icon);
    EXPECT_TRUE(runner.Finish());
}

TEST_F(RecoveryTest, HundredCharacterAnswersOpenTheFile) {
    std::string a1(100, 'm'), a2(100, 's'), a3(100, '9');
    ASSERT_EQ(1, Questions(a1.c_str(), a2.c_str(), a3.c_str()));
    HWND dialog = OpenRecover();
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ("Password was recovered successfully!\nPassword: pw of ann",
              Submit(dialog, "Ann", a1.c_str(), a2.c_str(), a3.c_str()).text);
    EXPECT_TRUE(runner.Finish());
}

TEST_F(RecoveryTest, FilesOfTheWrongSizeOrMissingAreNamed) {
    ASSERT_EQ(1, Questions("a", "b", "c"));
    Bytes good = ReadBytes(prf);
    HWND dialog = OpenRecover();
    ASSERT_NE(nullptr, dialog);
    for (size_t size : {331u, 333u}) {
        Bytes file = good;
        file.resize(size, 0);
        WriteBytes(prf, file);
        robot::Box box = Submit(dialog, "Ann", "a", "b", "c");
        EXPECT_EQ(
            "Password Recovery Information file for user Ann may be corrupt."
            "\nPassword cannot be recovered.",
            box.text)
            << size << " bytes";
        EXPECT_EQ((UINT)MB_ICONERROR, box.icon);
    }
    EXPECT_EQ("Password Recovery Information for user Bob not found.", Submit(dialog, "Bob", "a", "b", "c").text);
    EXPECT_EQ("You must enter your Username.", Submit(dialog, "", "a", "b", "c").text);
    robot::PressButton(dialog, IDC_RECOVER_CANCEL);
    EXPECT_TRUE(runner.Finish());
}

TEST_F(RecoveryTest, AfterAChangeOfPasswordTheOldPasswordIsRecovered) {
    ASSERT_EQ(1, Questions("Jones", "blue", "90210"));
    {
        robot::Answerer quiet;
        ASSERT_EQ(1, ChangePassword(nullptr, "pw of ann", "a newer password", "Ann", kUserTokenPin));
    }
    HWND dialog = OpenRecover();
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ("Password was recovered successfully!\nPassword: pw of ann",
              Submit(dialog, "Ann", "Jones", "blue", "90210").text);
    EXPECT_TRUE(runner.Finish());
}

}  // namespace
