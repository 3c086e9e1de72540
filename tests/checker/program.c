/* A package program for the checker's table: it does nothing; its version resource and
   machine type are what the table varies. */
int main(void) {
    return 0;
}
