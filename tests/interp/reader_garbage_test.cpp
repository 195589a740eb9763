// Bad input never harms the reader: random bytes (with many of the characters that mean
// something to it: quotes, braces, '%', '#', carriage returns, Escape, Ctrl-R, NUL, bytes
// above 127) read as add files, typed lines and texts of the text tokenizer always come to
// an end, keep the buffer terminated and within its size, and leave the reader usable.
// Run under the sanitizers this also checks every access.
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "interp/percent.h"
#include "tests/interp/reader_fixture.h"

namespace reader_garbage_test {

namespace {

class ReaderGarbage : public ReaderFixture {
protected:
    std::string randomtext(std::mt19937& rng, std::size_t maxLength) {
        static const std::string alphabet =
            std::string("abqmdEXY019 .,;:+-*/(){}\"#%%%%%\\_$&!?=<>\t\r\n\n\n") +
            std::string("\x01\xff\x80\x1b\x12", 5) + std::string(1, '\0');
        std::uniform_int_distribution<std::size_t> length(0, maxLength);
        std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
        std::string s(length(rng), ' ');
        for (char& c : s) c = alphabet[pick(rng)];
        return s;
    }

    void randomargs(std::mt19937& rng) {
        std::uniform_int_distribution<int> count(0, 3);
        std::vector<std::string> args;
        for (int n = count(rng); n > 0; --n) args.push_back(randomtext(rng, 40));
        if (args.empty())
            scriptArgs = nullptr;
        else
            setArgs(args);
    }

    void checkbuffer() {
        ASSERT_LT(std::strlen(commandBuffer), static_cast<std::size_t>(commandBufferSize));
        ASSERT_GE(readPointer, commandBuffer);
        ASSERT_LE(readPointer, commandBuffer + std::strlen(commandBuffer));
    }

    // Reads tokens until the end of input or an abort; false when it never ended.
    bool readtoend(std::FILE* in) {
        char buf[78];
        for (int guard = 0; guard < 200000; ++guard) {
            int cls = gettoken(buf, in, guard % 2, sizeof buf);
            EXPECT_LT(std::strlen(buf), sizeof buf);
            if (cls == 'e' || cls == -1) return true;
            if (cls == 'f' && keyboardInput != 'n') continue;
        }
        return false;
    }
};

TEST_F(ReaderGarbage, RandomAddFilesAreReadToTheirEnd) {
    std::mt19937 rng(20261210);
    std::uniform_int_distribution<int> mode(0, 2);
    std::uniform_int_distribution<int> longOne(0, 9);
    for (int round = 0; round < 300; ++round) {
        randomargs(rng);
        percentMode = mode(rng);
        addPrint = round % 3 == 0;
        std::string content = randomtext(rng, longOne(rng) == 0 ? 7000 : 300);
        std::FILE* f = script(content);
        ASSERT_TRUE(readtoend(f)) << "round " << round;
        checkbuffer();
        clearPendingLine();
    }
    // The reader still reads a plain line afterwards.
    percentMode = 1;
    scriptArgs = nullptr;
    typed("text fine");
    EXPECT_EQ(tokens(nullptr), (std::vector<std::string>{"a:text", "a:fine", "f:\n"}));
}

TEST_F(ReaderGarbage, RandomTypedLinesNeverReadPastTheirEnd) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> mode(0, 2);
    for (int round = 0; round < 300; ++round) {
        randomargs(rng);
        percentMode = mode(rng);
        typed(randomtext(rng, round % 50 == 0 ? 5000 : 200));
        char buf[78];
        int cls = 0;
        int guard = 0;
        while (cls != 'f' && cls != 'e' && cls != -1 && ++guard < 10000)
            cls = gettoken(buf, nullptr, 0, sizeof buf);
        ASSERT_LT(guard, 10000) << "round " << round;
        checkbuffer();
        if (cls == 'f') {
            // Past the line there is nothing more.
            EXPECT_EQ(chop(nullptr), -1);
            EXPECT_EQ(chop(nullptr), -1);
            EXPECT_EQ(gettoken(buf, nullptr, 0, sizeof buf), 'e');
        } else {
            int c = chop(nullptr);
            EXPECT_TRUE(c == -1 || c == 18 || c == 27 || (c >= 0 && c <= 255)) << c;
        }
        clearPendingLine();
    }
}

TEST_F(ReaderGarbage, RandomTextsOfTheTextTokenizerComeToAnEnd) {
    std::mt19937 rng(99);
    for (int round = 0; round < 500; ++round) {
        randomargs(rng);
        percentMode = round % 3;
        std::string text = randomtext(rng, 200);
        std::size_t pos = 0;
        std::string tok;
        int guard = 0;
        for (; guard < 100000; ++guard) {
            int cls = 0;
            if (stringtoken(tok, text, pos, cls) < 0) break;
            ASSERT_LE(pos, text.size());
        }
        ASSERT_LT(guard, 100000) << "round " << round;
        // And each '%' of a fresh text expanded in place as the reader does, up to the
        // reader's line limit (an argument that holds "%1" grows the text at every turn).
        text = randomtext(rng, 200);
        pos = 0;
        guard = 0;
        while ((pos = text.find('%', pos)) != std::string::npos &&
               text.size() < static_cast<std::size_t>(commandBufferSize) && ++guard < 100000) {
            std::string result;
            int st = expandpercent(result, text, pos);
            ASSERT_LE(pos, text.size());
            if (st != 0) break;
            ++pos;
        }
        ASSERT_LT(guard, 100000) << "round " << round;
        textPushBack.clear();
    }
}

}  // namespace

}  // namespace reader_garbage_test
