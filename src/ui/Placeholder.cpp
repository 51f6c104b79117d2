// Keeps the window library non-empty until its first window lands.
namespace { [[maybe_unused]] int placeholder; }
