// A second process that reads a shared video frame the way the reporting
// client does: keys from ftok on "<root>/tmp" with 1000 + id and 2000 + id,
// the semaphore taken around the read. Prints "shmid semid size" and writes
// the frame's bytes to the output file. With --hold it takes the semaphore
// and ends without giving it back, as a client that died would.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <sys/ipc.h>
#include <sys/sem.h>
#include <sys/shm.h>

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: shmreader <root> <id> <out> [--hold]\n");
        return 2;
    }
    const std::string tmp = std::string(argv[1]) + "/tmp";
    const int id = std::atoi(argv[2]);
    const bool hold = argc > 4 && std::strcmp(argv[4], "--hold") == 0;
    const key_t shmKey = ftok(tmp.c_str(), 1000 + id);
    const key_t semKey = ftok(tmp.c_str(), 2000 + id);
    const int shmid = shmget(shmKey, 0, 0);
    const int semid = semget(semKey, 0, 0);
    if (shmid < 0 || semid < 0) {
        std::fprintf(stderr, "no frame %d: %s\n", id, std::strerror(errno));
        return 3;
    }
    shmid_ds ds {};
    shmctl(shmid, IPC_STAT, &ds);
    std::printf("%d %d %zu\n", shmid, semid, size_t(ds.shm_segsz));
    std::fflush(stdout);

    sembuf take {0, -1, 0};
    timespec wait {2, 0};
    if (semtimedop(semid, &take, 1, &wait) != 0) {
        std::fprintf(stderr, "semaphore not taken: %s\n", std::strerror(errno));
        return 4;
    }
    if (hold)
        return 0;
    const void* addr = shmat(shmid, nullptr, SHM_RDONLY);
    if (addr == reinterpret_cast<void*>(-1))
        return 5;
    FILE* out = std::fopen(argv[3], "wb");
    if (!out)
        return 6;
    std::fwrite(addr, 1, ds.shm_segsz, out);
    std::fclose(out);
    shmdt(addr);
    sembuf give {0, 1, 0};
    semop(semid, &give, 1);
    return 0;
}
