// The token protocol against SoftHSM2, a real PKCS#11 library. Every test gets
// its own token folder and configuration; nothing outside the temporary folder
// is touched.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "token/core/token_binding.h"
#include "token/core/token_key_object.h"
#include "token/core/token_session_core.h"

namespace {

const char kSoftHsm[] = "/usr/lib/softhsm/libsofthsm2.so";
const char kPin[] = "4711-user";

std::string RunCommand(const std::string &command, int *status = nullptr) {
    std::string output;
    FILE *pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return output;
    char buffer[512];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    int rc = pclose(pipe);
    if (status) *status = rc;
    return output;
}

std::vector<unsigned char> SampleRecord(unsigned char seed) {
    std::vector<unsigned char> record(kTokenRecordSize);
    for (size_t i = 0; i < record.size(); i++) record[i] = (unsigned char)(seed + i * 7);
    return record;
}

int TakeFirst(void *, const TokenIdentity *) { return 1; }

struct Chooser {
    std::vector<std::string> offered;  // serial numbers in the order offered
    int accept;                        // index to accept, -1 for none
};

int Choose(void *context, const TokenIdentity *token) {
    Chooser *c = (Chooser *)context;
    c->offered.push_back(token->serialNumber);
    return (int)c->offered.size() - 1 == c->accept;
}

class SoftHsmToken : public ::testing::Test {
protected:
    std::string dir_;
    TokenIdentity token_;
    TokenBinding binding_;

    void SetUp() override {
        char pattern[] = "/tmp/kovara-softhsm-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        ASSERT_EQ(0, system(("mkdir -p " + dir_ + "/tokens").c_str()));
        std::ofstream conf(dir_ + "/softhsm2.conf");
        conf << "directories.tokendir = " << dir_ << "/tokens\n"
             << "objectstore.backend = file\nlog.level = ERROR\n";
        conf.close();
        setenv("SOFTHSM2_CONF", (dir_ + "/softhsm2.conf").c_str(), 1);
        InitToken("Kovara One");
        memset(&binding_, 0, sizeof binding_);
        ASSERT_EQ(kTokenOk, IdentifyToken(kSoftHsm, TakeFirst, nullptr, &token_));
    }

    void TearDown() override {
        if (binding_.module) CloseSessionOnToken(&binding_);
        system(("rm -rf " + dir_).c_str());
    }

    void InitToken(const char *label) {
        int status = -1;
        std::string out = RunCommand(std::string("softhsm2-util --init-token --free --label '") + label + "' --pin " +
                                         kPin + " --so-pin 0000-so",
                                     &status);
        ASSERT_EQ(0, status) << out;
    }

    TokenOutcome Open(const char *pin) {
        TokenIdentity connected;
        return OpenSessionOnToken(kSoftHsm, token_.manufacturerId, token_.serialNumber, pin, &binding_, &connected);
    }

    // A data object with the key label but a value of our choosing.
    void CreateRawObject(const std::vector<unsigned char> &value) {
        CK_OBJECT_CLASS dataClass = CKO_DATA;
        CK_BBOOL yes = CK_TRUE;
        CK_ATTRIBUTE attributes[5] = {
            {CKA_CLASS, &dataClass, sizeof dataClass},
            {CKA_LABEL, (void *)kTokenKeyLabel, (CK_ULONG)strlen(kTokenKeyLabel) + 1},
            {CKA_VALUE, (void *)value.data(), (CK_ULONG)value.size()},
            {CKA_TOKEN, &yes, 1},
            {CKA_PRIVATE, &yes, 1},
        };
        CK_OBJECT_HANDLE handle;
        ASSERT_EQ(CKR_OK, binding_.functions->C_CreateObject(binding_.session, attributes, 5, &handle));
    }
};

TEST_F(SoftHsmToken, LibraryBindingReportsEachFailurePoint) {
    EXPECT_EQ(kTokenOk, ProbeTokenLibrary(kSoftHsm));
    EXPECT_EQ(kTokenFileNotAccessible, ProbeTokenLibrary((dir_ + "/missing.so").c_str()));
    // A file that exists but is no library.
    EXPECT_EQ(kTokenLoadFailed, ProbeTokenLibrary((dir_ + "/softhsm2.conf").c_str()));
    // A real library that is no PKCS#11 library.
    const char *libm =
        access("/lib/x86_64-linux-gnu/libm.so.6", F_OK) == 0 ? "/lib/x86_64-linux-gnu/libm.so.6" : "libm.so.6";
    TokenBinding b;
    EXPECT_EQ(kTokenNoGetFunctionList, BindTokenLibrary(libm, 0, &b));
    EXPECT_EQ(nullptr, b.module);
    // A successful binding lists the slots holding a token (SoftHSM2 keeps one
    // free slot beside each initialised token).
    ASSERT_EQ(kTokenOk, BindTokenLibrary(kSoftHsm, 1, &b));
    EXPECT_EQ(2u, b.slotCount);
    UnbindTokenLibrary(&b);
    EXPECT_EQ(nullptr, b.module);
    EXPECT_EQ(nullptr, b.slots);
}

TEST_F(SoftHsmToken, IdentityIsTakenFromTheTokenInformationAtFullWidth) {
    TokenIdentity chosen;
    Chooser c = {{}, 0};
    ASSERT_EQ(kTokenOk, IdentifyToken(kSoftHsm, Choose, &c, &chosen));
    // Two slots report (the token and the free slot): the user is asked.
    ASSERT_EQ(1u, c.offered.size());
    EXPECT_EQ(32u, strlen(chosen.label));
    EXPECT_EQ(std::string("Kovara One"), std::string(chosen.label).substr(0, 10));
    EXPECT_EQ(' ', chosen.label[31]);
    EXPECT_EQ(32u, strlen(chosen.manufacturerId));
    EXPECT_EQ(0, strncmp(chosen.manufacturerId, "SoftHSM", 7));
    EXPECT_EQ(16u, strlen(chosen.serialNumber));
    EXPECT_EQ(16u, strlen(chosen.model));
}

TEST_F(SoftHsmToken, SeveralTokensAreOfferedOneByOne) {
    InitToken("Kovara Two");
    TokenIdentity chosen;
    Chooser none = {{}, -1};
    EXPECT_EQ(kTokenAllDeclined, IdentifyToken(kSoftHsm, Choose, &none, &chosen));
    ASSERT_EQ(3u, none.offered.size());  // two tokens and the free slot
    EXPECT_NE(none.offered[0], none.offered[1]);

    Chooser second = {{}, 1};
    ASSERT_EQ(kTokenOk, IdentifyToken(kSoftHsm, Choose, &second, &chosen));
    EXPECT_EQ(2u, second.offered.size());
    EXPECT_EQ(none.offered[1], std::string(chosen.serialNumber));

    // A session opens on the chosen one, not on the first connected token.
    TokenIdentity connected;
    ASSERT_EQ(kTokenOk,
              OpenSessionOnToken(kSoftHsm, chosen.manufacturerId, chosen.serialNumber, kPin, &binding_, &connected));
    CloseSessionOnToken(&binding_);
}

TEST_F(SoftHsmToken, SessionNeedsTheRightPinAndTheSelectedToken) {
    EXPECT_EQ(kTokenLoginFailed, Open("wrong-pin"));
    EXPECT_EQ(nullptr, binding_.module);
    EXPECT_EQ(0, binding_.initialized);

    TokenIdentity connected;
    EXPECT_EQ(kTokenNotFoundConnected,
              OpenSessionOnToken(kSoftHsm, token_.manufacturerId, "0000000000000000", kPin, &binding_, &connected));
    EXPECT_EQ(nullptr, binding_.module);

    // Identity compares without regard to case.
    std::string lower = token_.manufacturerId;
    for (char &ch : lower) ch = (char)tolower((unsigned char)ch);
    ASSERT_EQ(kTokenOk, OpenSessionOnToken(kSoftHsm, lower.c_str(), token_.serialNumber, kPin, &binding_, &connected));
    EXPECT_NE(nullptr, binding_.functions);
    EXPECT_EQ(nullptr, binding_.slots);  // the slot list is freed once the session is open
}

TEST_F(SoftHsmToken, StoredKeyReadsBackInALaterSession) {
    ASSERT_EQ(kTokenOk, Open(kPin));
    unsigned char value[kTokenKeySize];
    EXPECT_EQ(kTokenNoKeyObject, ReadTokenKeyValue(&binding_, kTokenKeySize, value));
    std::vector<unsigned char> record = SampleRecord(3);
    ASSERT_EQ(kTokenOk, CreateTokenKeyObject(&binding_, record.data()));
    CloseSessionOnToken(&binding_);

    ASSERT_EQ(kTokenOk, Open(kPin));
    memset(value, 0, sizeof value);
    ASSERT_EQ(kTokenOk, ReadTokenKeyValue(&binding_, kTokenKeySize, value));
    EXPECT_EQ(0, memcmp(value, "900", 3));
    EXPECT_EQ(0, memcmp(value + 3, record.data(), kTokenRecordSize));
    for (int i = 855; i < 900; i++) ASSERT_EQ('A', value[i]) << i;
}

TEST_F(SoftHsmToken, ForeignObjectsWithTheLabelAreRefusedButFoundForReplacement) {
    ASSERT_EQ(kTokenOk, Open(kPin));
    CreateRawObject(std::vector<unsigned char>(100, '9'));
    unsigned char value[kTokenKeySize];
    EXPECT_EQ(kTokenKeyNotOk, ReadTokenKeyValue(&binding_, kTokenKeySize, value));
    CK_OBJECT_HANDLE handle = 0;
    size_t length = 0;
    ASSERT_EQ(kTokenOk, FindExistingTokenKey(&binding_, &handle, &length));
    EXPECT_EQ(100u, length);
    ASSERT_EQ(kTokenOk, DestroyTokenKeyObject(&binding_, handle));

    std::vector<unsigned char> other(kTokenKeySize, 'A');
    memcpy(other.data(), "123", 3);
    CreateRawObject(other);
    EXPECT_EQ(kTokenNotKovaraKey, ReadTokenKeyValue(&binding_, kTokenKeySize, value));
    // The length alone makes it look like a user key to the replacing code.
    ASSERT_EQ(kTokenOk, FindExistingTokenKey(&binding_, &handle, &length));
    EXPECT_EQ((size_t)kTokenKeySize, length);
}

TEST_F(SoftHsmToken, TwoObjectsWithTheLabelAreRemovedOneAtATime) {
    ASSERT_EQ(kTokenOk, Open(kPin));
    std::vector<unsigned char> first = SampleRecord(1), second = SampleRecord(2);
    ASSERT_EQ(kTokenOk, CreateTokenKeyObject(&binding_, first.data()));
    ASSERT_EQ(kTokenOk, CreateTokenKeyObject(&binding_, second.data()));
    unsigned char value[kTokenKeySize];
    ASSERT_EQ(kTokenOk, ReadTokenKeyValue(&binding_, kTokenKeySize, value));
    bool readFirst = memcmp(value + 3, first.data(), kTokenRecordSize) == 0;
    bool readSecond = memcmp(value + 3, second.data(), kTokenRecordSize) == 0;
    EXPECT_TRUE(readFirst || readSecond);

    CK_OBJECT_HANDLE handle;
    size_t length;
    ASSERT_EQ(kTokenOk, FindExistingTokenKey(&binding_, &handle, &length));
    ASSERT_EQ(kTokenOk, DestroyTokenKeyObject(&binding_, handle));
    ASSERT_EQ(kTokenOk, ReadTokenKeyValue(&binding_, kTokenKeySize, value));  // one is left
    ASSERT_EQ(kTokenOk, FindExistingTokenKey(&binding_, &handle, &length));
    ASSERT_EQ(kTokenOk, DestroyTokenKeyObject(&binding_, handle));
    EXPECT_EQ(kTokenNoKeyObject, FindExistingTokenKey(&binding_, &handle, &length));
    EXPECT_EQ(kTokenNoKeyObject, ReadTokenKeyValue(&binding_, kTokenKeySize, value));
    EXPECT_EQ(kTokenDestroyFailed, DestroyTokenKeyObject(&binding_, handle));
}

TEST_F(SoftHsmToken, KeyObjectAsSeenByPkcs11Tool) {
    ASSERT_EQ(kTokenOk, Open(kPin));
    std::vector<unsigned char> record = SampleRecord(9);
    ASSERT_EQ(kTokenOk, CreateTokenKeyObject(&binding_, record.data()));
    CloseSessionOnToken(&binding_);

    std::string base = std::string("pkcs11-tool --module ") + kSoftHsm + " --token-label 'Kovara One'";
    // The label carries its zero byte, which the tool cannot be given on its
    // command line; the object is read through its empty application label.
    // Private: nothing is listed without logging in.
    std::string anonymous = RunCommand(base + " --list-objects --type data");
    EXPECT_EQ(std::string::npos, anonymous.find("Kovara AES")) << anonymous;

    int status = -1;
    std::string listing = RunCommand(base + " --login --pin " + kPin + " --list-objects --type data", &status);
    ASSERT_EQ(0, status) << listing;
    EXPECT_NE(std::string::npos, listing.find("Data object")) << listing;
    EXPECT_NE(std::string::npos, listing.find("label:          'Kovara AES'")) << listing;
    EXPECT_NE(std::string::npos, listing.find("private")) << listing;

    std::string out = dir_ + "/value.bin";
    std::string read = RunCommand(
        base + " --login --pin " + kPin + " --read-object --type data --application-label '' --output-file " + out,
        &status);
    ASSERT_EQ(0, status) << read;
    std::ifstream in(out, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ((size_t)kTokenKeySize, bytes.size());
    EXPECT_EQ("900", bytes.substr(0, 3));
    EXPECT_EQ(0, memcmp(bytes.data() + 3, record.data(), kTokenRecordSize));
    EXPECT_EQ(std::string(45, 'A'), bytes.substr(855));
}

}  // namespace
