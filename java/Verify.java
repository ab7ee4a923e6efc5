/**
 * Prints the properties of the JVM that runs it, one "name = value" line each,
 * ended by CR LF whatever the platform: the launcher reads java.version and
 * java.vendor.url from this output to decide whether the JVM will do.
 *
 * It has to run on every JVM from 1.1 on, so it uses nothing newer: no
 * StringBuilder (string "+" compiles to it), no for-each, no class literals.
 */
public class Verify {
    private static final String[] PROPERTIES = {
        // The launcher relies on these four coming first, in this order.
        "java.home", "java.version", "java.vendor.url", "java.vendor",
        "java.class.path", "java.class.version",
        "user.name", "user.home", "user.dir",
        "os.name", "os.version", "os.arch",
    };

    public static void main(String[] args) {
        StringBuffer out = new StringBuffer();
        for (int i = 0; i < PROPERTIES.length; i++) {
            String value = System.getProperty(PROPERTIES[i]);
            out.append(PROPERTIES[i]).append(" = ");
            if (value != null) out.append(value);
            out.append("\r\n");
        }
        // One print, so a JVM that the launcher reads through a pipe sees whole lines.
        System.out.print(out.toString());
        System.out.flush();
        System.exit(0);
    }
}
