#include "espeakengine.h"

#include <QTest>
#include <cstdlib>
#include <new>

using namespace mulo;
using namespace mulo::speech;

// Allocation in this test program can be made to fail for large blocks, as it does when
// memory runs out while the engine is producing samples.
namespace {
bool failLargeAllocations = false;
constexpr std::size_t large = 64 * 1024;

void* allocate(std::size_t size)
{
    if (failLargeAllocations && size >= large)
        throw std::bad_alloc();
    if (void* block = std::malloc(size ? size : 1))
        return block;
    throw std::bad_alloc();
}
} // namespace

void* operator new(std::size_t size)
{
    return allocate(size);
}
void* operator new[](std::size_t size)
{
    return allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    try {
        return allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept
{
    return operator new(size, tag);
}
void operator delete(void* block) noexcept
{
    std::free(block);
}
void operator delete[](void* block) noexcept
{
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept
{
    std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept
{
    std::free(block);
}

class TestSynthesisFailure : public QObject {
    Q_OBJECT

private slots:
    void runningOutOfMemoryWhileSpeakingIsAFailureNotACrash();
};

void TestSynthesisFailure::runningOutOfMemoryWhileSpeakingIsAFailureNotACrash()
{
    const auto engine = EspeakEngine::open();
    const VoiceToken mandarin = engine->voices().first();
    const QString text = QStringLiteral("春夏秋冬东南西北日月星辰山川河流");
    failLargeAllocations = true;
    QVERIFY_THROWS_EXCEPTION(RuntimeError, engine->synthesize(text, mandarin, 175));
    failLargeAllocations = false;
    QVERIFY(!engine->synthesize(text, mandarin, 175).samples.empty()); // and the engine still works
}

QTEST_GUILESS_MAIN(TestSynthesisFailure)
#include "tst_synthesisfailure.moc"
