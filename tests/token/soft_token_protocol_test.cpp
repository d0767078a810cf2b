// The token protocol against the software token, whose faults reach the
// failure points a real token seldom shows on demand.
#include <gtest/gtest.h>
#include <string.h>

#include <string>
#include <vector>

#include "soft_token_fixture.h"
#include "token/core/token_binding.h"
#include "token/core/token_key_object.h"
#include "token/core/token_session_core.h"

namespace {

int Decline(void *, const TokenIdentity *) { return 0; }

struct Offers {
    std::vector<std::string> serials;
    std::string accept;
};

int AcceptSerial(void *context, const TokenIdentity *t) {
    Offers *o = (Offers *)context;
    std::string serial = t->serialNumber;
    serial.erase(serial.find_last_not_of(' ') + 1);
    o->serials.push_back(serial);
    return serial == o->accept;
}

const char kMaker[] = "Kovara Test                     ";  // full 32-character field

std::string Serial(const std::string &s) { return s + std::string(16 - s.size(), ' '); }

class SoftTokenProtocol : public ::testing::Test {
protected:
    SoftTokenFolder folder_;
    std::string library_ = folder_.Library("tok");
    TokenBinding binding_;

    void SetUp() override { memset(&binding_, 0, sizeof binding_); }
    void TearDown() override {
        if (binding_.module) CloseSessionOnToken(&binding_);
    }
    void Configure(const std::string &text) { folder_.Configure("tok", "log = calls.log\n" + text); }
    std::string Calls() { return folder_.ReadFile("calls.log"); }
    TokenOutcome Open(const std::string &serial, const char *pin = "1234") {
        TokenIdentity connected;
        return OpenSessionOnToken(library_.c_str(), kMaker, Serial(serial).c_str(), pin, &binding_, &connected);
    }
};

TEST_F(SoftTokenProtocol, EachBindingFailurePointIsReportedAndUnwound) {
    struct Case {
        std::string config;
        TokenOutcome outcome;
        bool finalised;  // the library had been initialised and must be finalised
    } cases[] = {
        {"fail = functionlist\n" + SoftSlotSection("1"), kTokenNoFunctionList, false},
        {"fail = initialize\n" + SoftSlotSection("1"), kTokenInitializeFailed, false},
        {"fail = slotcount\n" + SoftSlotSection("1"), kTokenSlotCountFailed, true},
        {"", kTokenNoSlot, true},
        {"fail = presentcount\n" + SoftSlotSection("1"), kTokenPresentCountFailed, true},
        {SoftSlotSection("1", "present = 0\n"), kTokenNoPresentSlot, true},
        {"fail = presentlist\n" + SoftSlotSection("1"), kTokenPresentListFailed, true},
    };
    for (const Case &c : cases) {
        folder_.Remove("calls.log");
        Configure(c.config);
        TokenBinding b;
        EXPECT_EQ(c.outcome, BindTokenLibrary(library_.c_str(), 1, &b)) << c.config;
        EXPECT_EQ(nullptr, b.module);
        EXPECT_EQ(nullptr, b.slots);
        std::string calls = Calls();
        EXPECT_EQ(c.finalised, calls.find("C_Finalize 0") != std::string::npos) << calls;
    }
}

TEST_F(SoftTokenProtocol, ASlotListLongerThanItsCountKeepsToTheRoomGiven) {
    // A library that reports more slots than the list it was handed holds.
    Configure("fail = lateinsert\n" + SoftSlotSection("1") + SoftSlotSection("2"));
    TokenBinding b;
    ASSERT_EQ(kTokenOk, BindTokenLibrary(library_.c_str(), 1, &b));
    EXPECT_EQ(1u, b.slotCount);
    EXPECT_EQ(0u, b.slots[0]);
    UnbindTokenLibrary(&b);
    // Only the slot the list holds is looked at: no question, the first token.
    TokenIdentity chosen;
    ASSERT_EQ(kTokenOk, IdentifyToken(library_.c_str(), Decline, nullptr, &chosen));
    EXPECT_EQ(Serial("1"), chosen.serialNumber);
}

TEST_F(SoftTokenProtocol, ProbeNeedsSlotInformationAndOneReportingToken) {
    Configure(SoftSlotSection("1", "fail = slotinfo\n") + SoftSlotSection("2", "fail = slotinfo\n"));
    EXPECT_EQ(kTokenNoSlotInfo, ProbeTokenLibrary(library_.c_str()));
    Configure(SoftSlotSection("1", "fail = tokeninfo\n") + SoftSlotSection("2", "fail = tokeninfo\n"));
    EXPECT_EQ(kTokenNoTokenInfo, ProbeTokenLibrary(library_.c_str()));
    // One slot failing its slot information is enough as long as one answers.
    Configure(SoftSlotSection("1", "fail = slotinfo tokeninfo\n") + SoftSlotSection("2"));
    EXPECT_EQ(kTokenOk, ProbeTokenLibrary(library_.c_str()));
    EXPECT_NE(std::string::npos, Calls().find("C_Finalize 0"));
}

TEST_F(SoftTokenProtocol, IdentifyingAsksOnlyWhenSeveralTokensReport) {
    TokenIdentity chosen;
    Configure(SoftSlotSection("1", "fail = tokeninfo\n"));
    EXPECT_EQ(kTokenNoTokenInfo, IdentifyToken(library_.c_str(), Decline, nullptr, &chosen));
    Configure(SoftSlotSection("1", "fail = slotinfo\n"));
    EXPECT_EQ(kTokenNoSlotInfo, IdentifyToken(library_.c_str(), Decline, nullptr, &chosen));

    // Two slots, only the second reports: taken without a question.
    Configure(SoftSlotSection("1", "fail = tokeninfo\n") + SoftSlotSection("2"));
    ASSERT_EQ(kTokenOk, IdentifyToken(library_.c_str(), Decline, nullptr, &chosen));
    EXPECT_EQ(Serial("2"), chosen.serialNumber);
    EXPECT_EQ(std::string(kMaker), chosen.manufacturerId);

    // Three slots with an empty one between: the two tokens are offered in order.
    Configure(SoftSlotSection("1") + SoftSlotSection("9", "present = 0\n") + SoftSlotSection("3"));
    Offers offers;
    offers.accept = "none";
    EXPECT_EQ(kTokenAllDeclined, IdentifyToken(library_.c_str(), AcceptSerial, &offers, &chosen));
    EXPECT_EQ((std::vector<std::string>{"1", "3"}), offers.serials);
    offers = Offers();
    offers.accept = "3";
    ASSERT_EQ(kTokenOk, IdentifyToken(library_.c_str(), AcceptSerial, &offers, &chosen));
    EXPECT_EQ(Serial("3"), chosen.serialNumber);
    EXPECT_EQ("Token 3" + std::string(25, ' '), chosen.label);
}

TEST_F(SoftTokenProtocol, SessionOpensOnlyOnTheSelectedToken) {
    Configure(SoftSlotSection("1"));
    TokenIdentity connected;
    EXPECT_EQ(kTokenMismatch,
              OpenSessionOnToken(library_.c_str(), kMaker, Serial("2").c_str(), "1234", &binding_, &connected));
    EXPECT_EQ(Serial("1"), connected.serialNumber);
    EXPECT_EQ(nullptr, binding_.module);
    EXPECT_EQ(kTokenLoginFailed, Open("1", "123"));
    EXPECT_EQ(nullptr, binding_.module);
    // Case does not matter in the comparison.
    EXPECT_EQ(kTokenOk, OpenSessionOnToken(library_.c_str(), "KOVARA TEST                     ", Serial("1").c_str(),
                                           "1234", &binding_, &connected));
    CloseSessionOnToken(&binding_);
    std::string calls = Calls();
    EXPECT_NE(std::string::npos, calls.find("C_Logout 0\nC_Finalize 0")) << calls;

    Configure(SoftSlotSection("1", "fail = slotinfo\n"));
    EXPECT_EQ(kTokenNoConnectedSlotInfo, Open("1"));
    Configure(SoftSlotSection("1", "fail = tokeninfo\n"));
    EXPECT_EQ(kTokenNoConnectedTokenInfo, Open("1"));
    Configure(SoftSlotSection("1", "fail = opensession\n"));
    EXPECT_EQ(kTokenOpenSessionFailed, Open("1"));
    EXPECT_EQ(nullptr, binding_.module);
}

TEST_F(SoftTokenProtocol, AmongSeveralTokensTheMatchingOneIsUsed) {
    Configure(SoftSlotSection("1") + SoftSlotSection("2", "", "2222"));
    EXPECT_EQ(kTokenNotFoundConnected, Open("3"));
    ASSERT_EQ(kTokenOk, Open("2", "2222"));
    std::vector<unsigned char> record(kTokenRecordSize, 0x42);
    ASSERT_EQ(kTokenOk, CreateTokenKeyObject(&binding_, record.data()));
    CloseSessionOnToken(&binding_);
    // The object went onto the second token only.
    EXPECT_EQ("", folder_.ReadFile("store-1.dat"));
    EXPECT_LT((size_t)kTokenKeySize, folder_.ReadFile("store-2.dat").size());

    // Only one of the two reports: it is compared like a single token.
    Configure(SoftSlotSection("1", "fail = tokeninfo\n") + SoftSlotSection("2", "", "2222"));
    TokenIdentity connected;
    EXPECT_EQ(kTokenMismatch,
              OpenSessionOnToken(library_.c_str(), kMaker, Serial("1").c_str(), "1234", &binding_, &connected));
    EXPECT_EQ(Serial("2"), connected.serialNumber);
}

TEST_F(SoftTokenProtocol, KeyObjectFaultsReachTheirOutcomes) {
    std::vector<unsigned char> record(kTokenRecordSize, 0x17);
    unsigned char value[kTokenKeySize];
    CK_OBJECT_HANDLE handle;
    size_t length;

    Configure(SoftSlotSection("1", "capacity = 900\n"));
    ASSERT_EQ(kTokenOk, Open("1"));
    EXPECT_EQ(kTokenDeviceMemory, CreateTokenKeyObject(&binding_, record.data()));
    CloseSessionOnToken(&binding_);

    Configure(SoftSlotSection("1", "fail = create\n"));
    ASSERT_EQ(kTokenOk, Open("1"));
    EXPECT_EQ(kTokenCreateFailed, CreateTokenKeyObject(&binding_, record.data()));
    CloseSessionOnToken(&binding_);

    Configure(SoftSlotSection("1"));
    ASSERT_EQ(kTokenOk, Open("1"));
    ASSERT_EQ(kTokenOk, CreateTokenKeyObject(&binding_, record.data()));
    CloseSessionOnToken(&binding_);

    struct Case {
        const char *fault;
        TokenOutcome reading, finding;
    } cases[] = {
        {"findinit", kTokenFindInitFailed, kTokenFindInitFailed}, {"findobjects", kTokenFindFailed, kTokenFindFailed},
        {"findfinal", kTokenFindFinalFailed, kTokenOk},           {"getattribute", kTokenSizeFailed, kTokenSizeFailed},
        {"removed", kTokenFindInitFailed, kTokenFindInitFailed},
    };
    for (const Case &c : cases) {
        Configure(SoftSlotSection("1", std::string("fail = ") + c.fault + "\n"));
        ASSERT_EQ(kTokenOk, Open("1")) << c.fault;
        EXPECT_EQ(c.reading, ReadTokenKeyValue(&binding_, kTokenKeySize, value)) << c.fault;
        EXPECT_EQ(c.finding, FindExistingTokenKey(&binding_, &handle, &length)) << c.fault;
        CloseSessionOnToken(&binding_);
    }

    Configure(SoftSlotSection("1", "fail = destroy\n"));
    ASSERT_EQ(kTokenOk, Open("1"));
    ASSERT_EQ(kTokenOk, FindExistingTokenKey(&binding_, &handle, &length));
    EXPECT_EQ(kTokenDestroyFailed, DestroyTokenKeyObject(&binding_, handle));
    // Still there, and intact.
    ASSERT_EQ(kTokenOk, ReadTokenKeyValue(&binding_, kTokenKeySize, value));
    EXPECT_EQ(0, memcmp(value + 3, record.data(), kTokenRecordSize));
    CloseSessionOnToken(&binding_);

    // The store's new file cannot replace the old one: a second key and the
    // destroy both fail, and the token, loaded afresh, holds its one key.
    Configure(SoftSlotSection("1", "fail = storerename\n"));
    ASSERT_EQ(kTokenOk, Open("1"));
    std::vector<unsigned char> other(kTokenRecordSize, 0x29);
    EXPECT_EQ(kTokenCreateFailed, CreateTokenKeyObject(&binding_, other.data()));
    ASSERT_EQ(kTokenOk, FindExistingTokenKey(&binding_, &handle, &length));
    EXPECT_EQ(kTokenDestroyFailed, DestroyTokenKeyObject(&binding_, handle));
    CloseSessionOnToken(&binding_);
    Configure(SoftSlotSection("1"));
    ASSERT_EQ(kTokenOk, Open("1"));
    ASSERT_EQ(kTokenOk, ReadTokenKeyValue(&binding_, kTokenKeySize, value)) << "the old store is whole";
    EXPECT_EQ(0, memcmp(value + 3, record.data(), kTokenRecordSize));
    ASSERT_EQ(kTokenOk, FindExistingTokenKey(&binding_, &handle, &length));
    ASSERT_EQ(kTokenOk, DestroyTokenKeyObject(&binding_, handle));
    EXPECT_EQ(kTokenNoKeyObject, FindExistingTokenKey(&binding_, &handle, &length)) << "it held one key";
}

}  // namespace
