#include "TestCa.h"

#include <QFile>
#include <QProcess>
#include <QSslConfiguration>

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Elliptic-curve keys: made in milliseconds, unlike RSA.
const QStringList KeyOptions = {"-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                                "-nodes"};

} // namespace

bool TestCa::run(const QStringList &arguments)
{
    QProcess openssl;
    openssl.setWorkingDirectory(m_dir.path());
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    openssl.start(QStringLiteral("openssl"), arguments);
    if (!openssl.waitForFinished(60000) || openssl.exitStatus() != QProcess::NormalExit ||
        openssl.exitCode() != 0) {
        qWarning("openssl %s failed: %s", qPrintable(arguments.join(' ')),
                 openssl.readAll().constData());
        return false;
    }
    return true;
}

bool TestCa::makeAuthority(const QString &name)
{
    return run(QStringList{"req", "-x509"} + KeyOptions +
               QStringList{"-keyout", name + ".key", "-out", name + ".pem", "-days", "30", "-subj",
                           "/CN=Zorvi Test " + name, "-addext", "basicConstraints=critical,CA:TRUE",
                           "-addext", "keyUsage=critical,keyCertSign,cRLSign"});
}

bool TestCa::makeServer(const QString &name, const QString &authority, const QString &altNames)
{
    QFile extensions(m_dir.filePath(name + ".ext"));
    if (!extensions.open(QIODevice::WriteOnly))
        return false;
    extensions.write("basicConstraints=CA:FALSE\n"
                     "keyUsage=critical,digitalSignature\n"
                     "extendedKeyUsage=serverAuth\n"
                     "subjectAltName=" +
                     altNames.toLatin1() + "\n");
    extensions.close();
    return run(QStringList{"req"} + KeyOptions +
               QStringList{"-keyout", name + ".key", "-out", name + ".csr", "-subj",
                           "/CN=" + name}) &&
           run({"x509", "-req", "-in", name + ".csr", "-CA", authority + ".pem", "-CAkey",
                authority + ".key", "-set_serial", QString::number(qHash(name) & 0x7fffffff),
                "-days", "30", "-extfile", name + ".ext", "-out", name + ".pem"});
}

TestCa::Identity TestCa::load(const QString &name) const
{
    Identity identity;
    identity.certificatePath = m_dir.filePath(name + ".pem");
    identity.keyPath = m_dir.filePath(name + ".key");
    const QList<QSslCertificate> certificates =
            QSslCertificate::fromData(readAll(identity.certificatePath), QSsl::Pem);
    identity.certificate = certificates.value(0);
    identity.key = QSslKey(readAll(identity.keyPath), QSsl::Ec, QSsl::Pem);
    return identity;
}

bool TestCa::create()
{
    if (!m_dir.isValid())
        return false;
    if (!makeAuthority("ca-a") || !makeAuthority("ca-b") ||
        !makeServer("localhost", "ca-a", "DNS:localhost,IP:127.0.0.1") ||
        !makeServer("other", "ca-a", "DNS:other.invalid") ||
        !makeServer("untrusted", "ca-b", "DNS:localhost,IP:127.0.0.1"))
        return false;
    m_authority = load("ca-a").certificate;
    m_otherAuthority = load("ca-b").certificate;
    m_localhost = load("localhost");
    m_otherName = load("other");
    m_untrusted = load("untrusted");
    const bool ok = !m_authority.isNull() && !m_otherAuthority.isNull() &&
                    !m_localhost.certificate.isNull() && !m_localhost.key.isNull() &&
                    !m_otherName.key.isNull() && !m_untrusted.key.isNull();
    if (!ok)
        qWarning("test certificates did not load");
    return ok;
}

QString TestCa::authorityPath() const
{
    return m_dir.filePath("ca-a.pem");
}

void TestCa::trustInThisProcess() const
{
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.addCaCertificate(m_authority);
    QSslConfiguration::setDefaultConfiguration(configuration);
}
