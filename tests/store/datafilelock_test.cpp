// One writer per data file: the lock beside it, held by an open descriptor for the whole run.

#include "StoreTestSupport.h"

#include "store/DataFileLock.h"
#include "store/TBDALockvexData.h"

#include <sys/wait.h>
#include <unistd.h>

using namespace store_test;

namespace
{

class DataFileLockTest : public StoreTest
{
protected:
    void SetUp() override
    {
        StoreTest::SetUp();
        Data = PathOf(QStringLiteral("TrelLockvex.acsdb"));
        LockFile = TDataFileLock::LockFileNameFor(Data);
    }
    QString Data, LockFile;
};

TEST_F(DataFileLockTest, ASecondHolderIsRefusedAndLearnsWhoHasTheData)
{
    TDataFileLock first, second;
    ASSERT_EQ(first.Acquire(Data, QStringLiteral("alice on laptop")), TDataFileLock::Taken);
    EXPECT_TRUE(first.IsHeld());
    EXPECT_EQ(FileMode(LockFile), 0600);
    EXPECT_EQ(second.Acquire(Data, QStringLiteral("bob on laptop")), TDataFileLock::HeldElsewhere);
    EXPECT_FALSE(second.IsHeld());
    EXPECT_EQ(second.Holder(), QStringLiteral("alice on laptop"));
    EXPECT_EQ(FileBytes(LockFile), QByteArray("alice on laptop\n")); // the refused copy wrote nothing

    first.Release();
    EXPECT_FALSE(QFileInfo::exists(LockFile));
    EXPECT_EQ(second.Acquire(Data, QStringLiteral("bob on laptop")), TDataFileLock::Taken);
    EXPECT_EQ(FileBytes(LockFile), QByteArray("bob on laptop\n"));
}

// A user tidying hidden files, or a sync client carrying another computer's deletion of its own
// lock file, removes the lock file while its holder runs: a second copy is still refused, and
// writes no lock file of its own.
TEST_F(DataFileLockTest, ADeletedLockFileLetsNoSecondWriterIn)
{
    TDataFileLock first, second;
    ASSERT_EQ(first.Acquire(Data, QStringLiteral("alice on laptop")), TDataFileLock::Taken);
    ASSERT_TRUE(QFile::remove(LockFile));
    EXPECT_EQ(second.Acquire(Data, QStringLiteral("bob on laptop")), TDataFileLock::HeldElsewhere);
    EXPECT_FALSE(second.IsHeld());
    EXPECT_FALSE(QFileInfo::exists(LockFile));
    // a lock file of the same name made anew is not the lock either
    WriteBytes(LockFile, "nobody\n");
    EXPECT_EQ(second.Acquire(Data, QStringLiteral("bob on laptop")), TDataFileLock::HeldElsewhere);
    EXPECT_EQ(second.Holder(), QStringLiteral("nobody"));

    first.Release();
    EXPECT_EQ(second.Acquire(Data, QStringLiteral("bob on laptop")), TDataFileLock::Taken);
    EXPECT_EQ(FileBytes(LockFile), QByteArray("bob on laptop\n"));
}

TEST_F(DataFileLockTest, ACrashedHolderReleasesTheLock)
{
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        TDataFileLock held;
        const bool taken = held.Acquire(Data, QStringLiteral("crashed")) == TDataFileLock::Taken;
        std::_Exit(taken ? 0 : 1); // ends without releasing, as a killed program does
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(QFileInfo::exists(LockFile)); // left behind, but no longer locked
    TDataFileLock next;
    EXPECT_EQ(next.Acquire(Data, QStringLiteral("next")), TDataFileLock::Taken);
}

TEST_F(DataFileLockTest, AFolderThatAllowsNoLockLeavesTheTableWritable)
{
    TV9LockvexTbl table(true);
    EXPECT_TRUE(table.LockDataFile(PathOf(QStringLiteral("missing/TrelLockvex.acsdb")), QStringLiteral("alice")));
    TV9LockvexTbl holder(true), second(true);
    EXPECT_TRUE(holder.LockDataFile(Data, QStringLiteral("alice on laptop")));
    EXPECT_FALSE(second.LockDataFile(Data, QStringLiteral("alice on laptop")));
    EXPECT_EQ(second.LockHolder(), QStringLiteral("alice on laptop"));
}

// The table keeps its lock until the close and the backups are done.
TEST_F(DataFileLockTest, TheTableHoldsTheLockUntilItIsGone)
{
    {
        TV9LockvexTbl table(true);
        ASSERT_TRUE(table.LockDataFile(Data, QStringLiteral("alice")));
        ASSERT_TRUE(table.OpenPool(Data));
        TDataFileLock other;
        EXPECT_EQ(other.Acquire(Data, QStringLiteral("bob")), TDataFileLock::HeldElsewhere);
    }
    EXPECT_TRUE(QFileInfo::exists(PathOf(QStringLiteral("TrelLockvex.BAC0"))));
    EXPECT_FALSE(QFileInfo::exists(LockFile));
}

} // namespace
