// Placeholder: the frame drawing lands with the starter library.
#include <filesystem>
int main(int argc, char** argv)
{
    if (argc > 1)
        std::filesystem::create_directories(std::filesystem::path(argv[1]) / "frames" / "150dpi");
    return 0;
}
