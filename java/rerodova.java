// The demo's sample installation: it only says what it would install and
// with which program arguments, so a run of the demo shows them arriving.
public class rerodova {
    public static void main(String[] args) {
        System.out.println("Installing the Carafe demo...");
        for (int i = 0; i < args.length; i++) {
            System.out.println("  argument " + (i + 1) + ": " + args[i]);
        }
        System.out.println("Done.");
        System.exit(0);
    }
}
