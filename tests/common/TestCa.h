#pragma once

#include <QList>
#include <QSslCertificate>
#include <QSslKey>
#include <QString>
#include <QTemporaryDir>

// Certificates for HTTPS tests, made by openssl at test time: CA A, a server
// certificate by A for localhost and 127.0.0.1, one by A for another name,
// and an unrelated CA B with a server certificate of its own for localhost.
class TestCa
{
public:
    struct Identity
    {
        QSslCertificate certificate;
        QSslKey key;
        QString certificatePath; // PEM
        QString keyPath;         // PEM
    };

    // Runs openssl; false, with a warning, when it fails.
    bool create();

    QSslCertificate authority() const { return m_authority; } // CA A
    QString authorityPath() const;                            // PEM of CA A, for curl --cacert
    Identity localhost() const { return m_localhost; }        // by A: DNS:localhost, IP:127.0.0.1
    Identity otherName() const { return m_otherName; }        // by A: DNS:other.invalid only
    QSslCertificate otherAuthority() const { return m_otherAuthority; } // CA B
    Identity untrusted() const { return m_untrusted; } // by B: DNS:localhost, IP:127.0.0.1

    // Adds CA A to the default TLS configuration of this process, the one
    // every network access manager starts from.
    void trustInThisProcess() const;

private:
    bool run(const QStringList &arguments);
    bool makeAuthority(const QString &name);
    bool makeServer(const QString &name, const QString &authority, const QString &altNames);
    Identity load(const QString &name) const;

    QTemporaryDir m_dir;
    QSslCertificate m_authority;
    QSslCertificate m_otherAuthority;
    Identity m_localhost;
    Identity m_otherName;
    Identity m_untrusted;
};
