import java.io.File;
import java.io.FileOutputStream;
import java.io.IOException;

/**
 * The example installation: writes every resource of every section of its
 * own archive to TARGET/<section>/<resource>, one line per file. TARGET comes
 * from the program argument -Dtarget=..., else it is carafe-example in the
 * temporary folder (in the working folder on JVMs without java.io.tmpdir).
 *
 * It runs from a single class file, so the build copies ArchiveReader's
 * members into this class (java/amalgamate.py) and drops the "ArchiveReader."
 * in front of its calls; compiled beside ArchiveReader it works as it is.
 * Nothing newer than Java 1.1.
 */
public class rerodova {
    private static final String TARGET_OPTION = "-Dtarget=";
    private static final String DEFAULT_FOLDER = "carafe-example";

    public static void main(String[] args) {
        try {
            install(targetFolder(args));
        } catch (Exception e) {
            System.err.println(new StringBuffer("rerodova: installation failed: ").append(e.toString()).toString());
            System.exit(1);
        }
        System.exit(0);
    }

    private static File targetFolder(String[] args) {
        for (int i = 0; i < args.length; i++)
            if (args[i].startsWith(TARGET_OPTION)) return new File(args[i].substring(TARGET_OPTION.length()));
        String parent = System.getProperty("java.io.tmpdir");
        if (parent == null) parent = System.getProperty("user.dir");
        return new File(parent, DEFAULT_FOLDER);
    }

    private static void install(File target) throws IOException {
        byte[] archive = ArchiveReader.readOwnClassFile("rerodova");
        String[] sections = ArchiveReader.sectionNames(archive);
        for (int s = 0; s < sections.length; s++) {
            File folder = new File(target, sections[s]);
            byte[] records = ArchiveReader.sectionRecords(archive, sections[s]);
            String[] resources = ArchiveReader.resourceNames(records);
            for (int r = 0; r < resources.length; r++)
                writeFile(new File(folder, resources[r]), ArchiveReader.resourceData(records, resources[r]));
        }
    }

    private static void writeFile(File file, byte[] data) throws IOException {
        File folder = new File(file.getParent());
        if (!folder.isDirectory() && !folder.mkdirs())
            throw new IOException(new StringBuffer("cannot create folder ").append(folder.getPath()).toString());
        FileOutputStream out = new FileOutputStream(file);
        try {
            out.write(data);
        } finally {
            out.close();
        }
        System.out.println(new StringBuffer(file.getPath()).append(' ').append(data.length).toString());
    }

    // @include ArchiveReader
}
