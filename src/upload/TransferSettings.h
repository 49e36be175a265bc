#pragma once

#include <QString>

#include <chrono>

// How uploads reach the network. The application keeps the defaults.
struct FTPTransferSettings {
    // Certificate authorities to trust instead of the system's (empty: the system's).
    QString caBundlePath;
    // Bounds that keep a silent or stalled server from holding the caller for long.
    std::chrono::seconds connectTimeout{15};
    std::chrono::seconds responseTimeout{20};
    std::chrono::seconds stallTimeout{20};
    // The whole transfer may last as long as the picture takes at the slowest rate,
    // but no shorter than the floor and no longer than the ceiling: a server that
    // trickles a byte now and then cannot hold the pictures behind it.
    qsizetype slowestBytesPerSecond = 4 * 1024;
    std::chrono::seconds transferFloor{120};
    std::chrono::seconds transferCeiling{300};
    // SFTP: the servers' host keys (empty: ~/.ssh/known_hosts) and the private key
    // to log in with (empty: ~/.ssh/id_ed25519, else ~/.ssh/id_ecdsa); the
    // ssh-agent, when one runs, is asked first.
    QString knownHostsPath{};
    QString sshKeyFile{};
    // S3: the service's address, such as https://s3.example.net or http://127.0.0.1:9000
    // (empty: Amazon's in the region), and the region the requests are signed for.
    QString s3Endpoint{};
    QString s3Region{QStringLiteral("us-east-1")};
    // FTPS servers the owner trusts by their key (empty: $XDG_CONFIG_HOME/Ombrix/trusted-certificates).
    QString trustedCertificatesPath{};
};
